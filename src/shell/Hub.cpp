#include "shell/Hub.h"

#include <algorithm>
#include <utility>

namespace shell {

namespace {

struct Parts
{
    std::vector<CollectionItem> items;
    std::vector<std::pair<int, PanelSectionMaker>> sections;
    std::vector<DeleteQuestion> questions;
};

// Filled once at start, before the main window is made, on the window's thread.
Parts& parts()
{
    static Parts p;
    return p;
}

} // namespace

void AddCollectionItem(CollectionItem item)
{
    std::vector<CollectionItem>& items = parts().items;
    items.erase(
        std::remove_if(items.begin(), items.end(), [&](const CollectionItem& i) { return i.name == item.name; }),
        items.end());
    items.push_back(std::move(item));
    std::stable_sort(items.begin(), items.end(),
                     [](const CollectionItem& a, const CollectionItem& b) { return a.order < b.order; });
}

std::vector<CollectionItem> CollectionItems()
{
    return parts().items;
}

void AddPanelSection(int order, PanelSectionMaker make)
{
    auto& sections = parts().sections;
    sections.emplace_back(order, std::move(make));
    std::stable_sort(sections.begin(), sections.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::vector<PanelSectionMaker> PanelSections()
{
    std::vector<PanelSectionMaker> out;
    for (const auto& [order, make] : parts().sections)
        out.push_back(make);
    return out;
}

void AddDeleteQuestion(DeleteQuestion question)
{
    parts().questions.push_back(std::move(question));
}

std::vector<DeleteQuestion> DeleteQuestions()
{
    return parts().questions;
}

} // namespace shell

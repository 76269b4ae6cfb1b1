#include "scan/ProductTitle.h"

#include "catalog/Clock.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

namespace scan {

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };

using RE = QRegularExpression;
constexpr auto kCase = RE::CaseInsensitiveOption;

// Words that name the disc, not the film. "Edition", "Cut", "Set" and the like count only with a
// word that describes an edition before them ("30th Anniversary 2-Disc Collector's Edition"), so
// "Set It Off" and "The Box" keep their titles.
const QStringList& noise()
{
    static const QString describing =
        S(R"((?:\d+(?:st|nd|rd|th)?|one|two|three|four|five|single|double|special|collector'?s|limited|anniversary|)"
          R"(deluxe|ultimate|extended|director'?s|theatrical|unrated|uncut|widescreen|full\s*screen|fullscreen|)"
          R"(blister|trilogy|gift|box|steelbook|platinum|diamond|signature|remastered|restored|definitive|)"
          R"(complete|premium|exclusive|standard|classic|disc|discs|disk|movie|film|2d|3d|4k|dvd|blu-ray))");
    static const QStringList words = {
        S(R"(\b(?:)") + describing + S(R"([\s-]+){1,5}(?:edition|version|cut|collection|set|pack|packaging|box)\b)"),
        S(R"(\bedition\b)"),
        S(R"(\b(?:ultra\s*hd|4k(?:\s*uhd)?|uhd|blu[\s-]*ray|bluray|dvd|hd[\s-]*dvd|vhs|3d|digital(?:\s+(?:hd|copy|code))?)\b)"),
        S(R"(\b(?:widescreen|full\s*screen|fullscreen|dolby|dts|ntsc|pal|steelbook|slipcover|o-?ring|blister|digibook|amaray|keep\s*case)\b)"),
        S(R"(\b(?:region|rc)\s*(?:free|[0-6abc](?:\s*[/,&]\s*[0-6abc])*)\b)"),
        S(R"(\b(?:\d+|one|two|three|four|five|single|double)[\s-]*(?:disc|discs|disk|disks|dvds)\b)"),
        S(R"(\b(?:(?:uk|us|german|french|japanese)\s+)?import\b|\bsealed\b|\bbrand\s+new\b|\bmulti[\s-]*region\b)"),
    };
    return words;
}

// Studios and labels that shops write beside the title.
const QStringList& studios()
{
    static const QStringList names = {S("walt disney(?: studios?| pictures| home entertainment)?"),
                                      S("disney(?: pixar)?"),
                                      S("pixar"),
                                      S("warner(?: bros\\.?| brothers| home video)?"),
                                      S("universal(?: pictures| studios)?"),
                                      S("paramount(?: pictures| home entertainment)?"),
                                      S("(?:20th|twentieth) century fox"),
                                      S("sony pictures(?: home entertainment)?"),
                                      S("columbia(?: tristar)?"),
                                      S("mgm"),
                                      S("lionsgate"),
                                      S("criterion(?: collection)?"),
                                      S("arrow video"),
                                      S("studiocanal"),
                                      S("dreamworks"),
                                      S("new line(?: cinema)?"),
                                      S("miramax"),
                                      S("touchstone"),
                                      S("buena vista"),
                                      S("eureka entertainment"),
                                      S("second sight"),
                                      S("kino lorber"),
                                      S("shout! factory"),
                                      S("anchor bay"),
                                      S("concorde"),
                                      S("eagle rock"),
                                      S("hbo"),
                                      S("bbc"),
                                      S("a24")};
    return names;
}
} // namespace

CleanTitle CleanProductTitle(const QString& product, const QString& brand)
{
    CleanTitle out;
    QString t = product.simplified();

    // A year in brackets ("[1995]", "(DVD, 2001)") is the film's; else a lone one after the title
    // begins, so "2001: A Space Odyssey" keeps its own.
    static const RE bracketed(S(R"([(\[][^)\]]*?(?<!\d)((?:19|20)\d\d)(?!\d)[^)\]]*[)\]])"));
    static const RE lone(S(R"((?<=\s)((?:19|20)\d\d)(?![\d:-]))"));
    if (auto m = bracketed.match(t); m.hasMatch()) {
        out.year = m.captured(1);
        t.remove(m.capturedStart(1), m.capturedLength(1));
    } else if (m = lone.match(t); m.hasMatch() && m.captured(1).toInt() <= catalog::Today().year() + 1) {
        out.year = m.captured(1);
        t.remove(m.capturedStart(1), m.capturedLength(1));
    }

    for (const QString& word : noise())
        t.replace(RE(word, kCase), S(" "));
    // Studios and the brand once the disc's words are gone, and only where a name ends (at the end,
    // before a bracket or a cut), so "Universal Soldier" keeps its first word.
    QStringList names = studios();
    if (!brand.trimmed().isEmpty())
        names.prepend(RE::escape(brand.trimmed()));
    for (const QString& name : std::as_const(names))
        t.replace(RE(S("\\b(?:") + name + S(")(?=\\s*(?:$|[,;)\\]|]|[-/]\\s))"), kCase), S(" "));
    // Ratings and other loose marks the listings carry.
    t.replace(RE(S(R"(\b(?:rated\s+)?(?:pg-13|pg|nc-17|r|g|fsk\s*\d+|12a|15|18)\b(?=\s*[)\]]))"), kCase), S(" "));

    // Brackets left empty or holding only separators go, and so do separators left at either end.
    static const RE emptyBrackets(S(R"([(\[{][\s,;:/+&|\-.]*[)\]}])"));
    for (int n = 0; n < 4 && t.contains(emptyBrackets); ++n)
        t.remove(emptyBrackets);
    t.replace(RE(S(R"(\s+[|/]\s+|\s*\|\s*)")), S(" - "));
    t = t.simplified();
    static const RE edges(S(R"(^[\s,;:/+&|\-.]+|[\s,;:/+&|\-.(\[]+$)"));
    t.remove(edges);
    // "The Lion King - " with the rest gone, or "Title - Title" when the shop wrote it twice.
    const QStringList parts = t.split(RE(S(R"(\s+[-–]\s+)")), Qt::SkipEmptyParts);
    if (parts.size() == 2 && parts[0].compare(parts[1], Qt::CaseInsensitive) == 0)
        t = parts[0];
    out.title = t.simplified();
    if (out.title.isEmpty())
        out.title = product.simplified();
    return out;
}

} // namespace scan

#pragma once

#include <QIcon>

namespace main_window {

// The pictures of the six buttons along the top. They are drawn rather than taken from the icon
// theme, whose pictures for removing and deleting are two alike trash cans, and at any size, so
// they stay sharp on every screen.
enum class ButtonPicture {
    New,
    Edit,
    ActorList,
    Remove,
    Delete,
    Reports,
};

QIcon ButtonIcon(ButtonPicture picture);

} // namespace main_window

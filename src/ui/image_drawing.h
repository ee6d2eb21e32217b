// The program's images, drawn as vector glyphs so that they stay sharp at any size and pixel ratio.
#pragma once

#include <QIcon>
#include <QPainter>
#include <string_view>

namespace vendrel::ui {

// The shared image list of the tree and the list: a general strip (27 images, first index 0), the folder
// strip (34, first index 27) and the message strip (42, first index 61).
inline constexpr int kSharedImageCount = 103;
inline constexpr int kToolbarImageCount = 11;

// Image `index` of the shared list, drawn at any size (16 x 16 is its design size); a null icon for an
// index outside the list (the items use -1 for "no image").
QIcon SharedImage(int index);
// What the image stands for, for the contact sheet; "unused" for an index no item shows.
std::string_view SharedImageMeaning(int index);

// Toolbar image `index` (20 x 20 design size): QIcon::Normal mode is the normal image, QIcon::Active the
// "hot" one (mouse over); Qt derives the disabled look.
QIcon ToolbarImage(int index);
std::string_view ToolbarImageMeaning(int index);

// The program's icon, and the icon of each explorer child window.
QIcon ProgramIcon();
QIcon ExplorerWindowIcon();
// The same two drawn as vectors into rect, for the scalable icon files the program installs.
void DrawProgramIcon(QPainter& painter, const QRectF& rect);
void DrawExplorerWindowIcon(QPainter& painter, const QRectF& rect);

}  // namespace vendrel::ui

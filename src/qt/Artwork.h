// The program's own pictures, painted rather than loaded: the nine option-tree images and the
// program icon. Painting lets every scale get its own crisp rendering instead of a blurred
// enlargement of a 12-pixel bitmap.
#pragma once

#include <QIcon>
#include <QImage>

#include "wizard/OptionTree.h"

namespace quillon::qt {

// Logical size of a tree image, in device-independent pixels.
inline constexpr int kTreeImageSize = 12;

// One tree image rendered for `device_pixel_ratio`: kTreeImageSize times the ratio in device
// pixels (rounded), with the ratio recorded in the image.
QImage RenderTreeImage(TreeImage image, qreal device_pixel_ratio);

// The tree image as an icon holding renderings for 1x, 2x and every screen's ratio.
QIcon TreeImageIcon(TreeImage image);

// The program icon drawn into a square of `pixels` device pixels.
QImage RenderAppIcon(int pixels);

// The program icon for windows, the About box and the task bar.
QIcon AppIcon();

}  // namespace quillon::qt

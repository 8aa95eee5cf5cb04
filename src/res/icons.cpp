// The icon group "SETUP_ICON": a stopwatch under a star, drawn for this
// tool in the 16 colours of the standard palette, at 32 x 32 and 16 x 16
// pixels. The images are XPM data (setup_icon_32.xpm, setup_icon_16.xpm).
#include "platform/resources.h"
#include "res/resource_ids.h"

#include "res/setup_icon_16.xpm"
#include "res/setup_icon_32.xpm"

namespace {

constexpr int LARGE_ICON_SIZE = 32;
constexpr int SMALL_ICON_SIZE = 16;

const IconImage setup_icon_images[] = {
    {LARGE_ICON_SIZE, setup_icon_32_xpm},
    {SMALL_ICON_SIZE, setup_icon_16_xpm},
};

} // namespace

const IconGroup icon_groups[] = {
    {SETUP_ICON_NAME, setup_icon_images,
     sizeof(setup_icon_images) / sizeof(setup_icon_images[0])},
};
const size_t icon_group_count = sizeof(icon_groups) / sizeof(icon_groups[0]);

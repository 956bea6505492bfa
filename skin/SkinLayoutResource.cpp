// LoadSkinLayout: the skin layout from the program's own resources ("XML" 158).
#include "skin/SkinLayout.h"
#include "ui/gfx/Resource.h"

namespace skin {

bool LoadSkinLayout(xml::CXmlDocument& doc) {
    // Not found gives an empty span, so an empty document: every lookup then reads "".
    return LoadSkinLayoutFromBytes(doc, ui::FindResource(kLayoutResourceType, kLayoutResourceId));
}

} // namespace skin

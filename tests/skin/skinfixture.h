#pragma once

#include "buttonface.h"
#include "buttonskin.h"
#include "faces.h"
#include "memorywindowops.h"
#include "skinprops.h"

#include <gtest/gtest.h>

namespace bibliora::skin::test {

class SkinFixture : public ::testing::Test
{
protected:
    MemoryWindowOps ops;
    ButtonSkin skin{ops};

    Window makeForm(const std::string& cls = "ThunderRT6FormDC", Window parent = 0)
    {
        return ops.createWindow({cls, parent, 400, 300, u"", 0, 0, true, 0xECE9D8});
    }
    Window makeButton(Window parent, std::u16string text = u"OK", int w = 75, int h = 23,
                      const std::string& cls = "ThunderRT6CommandButton", std::uint32_t style = 0)
    {
        return ops.createWindow({cls, parent, w, h, std::move(text), style, 0, true, 0xECE9D8});
    }
    const MemoryImage& face(Window button, int f)
    {
        static const MemoryImage none;
        const MemoryImage* image =
            ops.image(static_cast<Surface>(ops.prop(button, faceSurfaceProp(f))));
        return image ? *image : none;
    }
    PropValue prop(Window w, std::string_view name) { return ops.prop(w, name); }
};

} // namespace bibliora::skin::test

#include <gtest/gtest.h>

#include "platform/Error.h"

namespace obri {
namespace {

TEST(PlatformError, CarriesTheFileNameInItsText) {
    try {
        throwCannotCreate("/tmp/x.bmp");
        FAIL();
    } catch (const PlatformError& e) {
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙ /tmp/x.bmp を作成できません");
    }
    EXPECT_THROW(throwCannotOpen("a"), PlatformError);
    EXPECT_EQ(formatText("%s に書き込めません", "/q/QUAV.INI"), "/q/QUAV.INI に書き込めません");
    EXPECT_EQ(formatText("'%s' のﾃﾞｰﾀ型が不正です", ""), "'' のﾃﾞｰﾀ型が不正です");
}

}  // namespace
}  // namespace obri

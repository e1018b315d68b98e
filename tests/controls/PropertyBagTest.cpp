#include "controls/PropertyBag.h"

#include <gtest/gtest.h>

namespace {

TEST(PropertyBag, NamesIgnoreCaseAndDefaultsStayOut)
{
    PropertyBag bag;
    bag.WriteProperty("Caption", QStringLiteral("Start"), QStringLiteral("?"));
    bag.WriteProperty("CAPTION", QStringLiteral("Los"), QStringLiteral("?"));
    EXPECT_EQ(bag.Count(), 1);
    EXPECT_EQ(bag.ReadProperty("caption").toString(), "Los");
    EXPECT_EQ(bag.Names(), QStringList{"Caption"});

    // Writing the default removes a stored value; reading a missing name gives the default.
    bag.WriteProperty("caption", QStringLiteral("?"), QStringLiteral("?"));
    EXPECT_FALSE(bag.Contains("Caption"));
    EXPECT_EQ(bag.ReadProperty("Caption", QStringLiteral("?")).toString(), "?");
    EXPECT_FALSE(bag.ReadProperty("Style").isValid());

    // Without a default every value is kept.
    bag.WriteProperty("Style", 0);
    EXPECT_TRUE(bag.Contains("style"));
}

} // namespace

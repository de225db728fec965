// The modification list's bookkeeping.
#include "TModifyImage.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> Kinds(const TModifyImage& list) {
    std::vector<int> kinds;
    for (int i = 1; i <= list.Count(); ++i)
        kinds.push_back(list.Entry(i).ModifyType);
    return kinds;
}

TEST(TModifyImage, AddModificationInsertsReplacesAndComposes) {
    TModifyImage list;
    list.AddModification(2, 10, 0, 0, false, false);
    list.AddModification(3, 5, 0, 0, true, false);
    EXPECT_EQ(Kinds(list), (std::vector<int>{3, 2})); // the most recent first
    EXPECT_EQ(list.IndexOfKind(2), 2);
    EXPECT_EQ(list.IndexOfKind(9), 0);

    list.AddModification(2, 99, 0, 0, false, true); // if absent: kind 2 is there, nothing changes
    EXPECT_EQ(list.Entry(2).Value1_, 10);

    list.AddModification(0, 1, 0, 0, true, false);
    list.AddModification(0, 2, 0, 0, true, false); // replaces the recorded resize
    EXPECT_EQ(Kinds(list), (std::vector<int>{0, 3, 2}));
    EXPECT_EQ(list.Entry(1).Value1_, 2);

    list.AddModification(7, 1, 0, 0, true, false); // 90 degrees clockwise
    list.AddModification(7, 1, 0, 0, true, false); // and again: 180
    EXPECT_EQ(list.Entry(list.IndexOfKind(7)).Value1_, 3);
    list.AddModification(7, 3, 0, 0, true, false); // 180 + 180 = none: the entry goes
    EXPECT_EQ(list.IndexOfKind(7), 0);
    EXPECT_EQ(list.Count(), 3);
}

TEST(TModifyImage, RotCompose) {
    const int expected[4][4] = {{0, 1, 2, 3}, {0, 3, 0, 2}, {0, 0, 3, 1}, {0, 2, 1, 0}};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(TModifyImage::RotCompose(a, b), expected[a][b]) << a << " " << b;
}

TEST(TModifyImage, PendingEntryAndQueries) {
    TModifyImage list;
    EXPECT_TRUE(list.OnlyRotations());
    list.Pending().ModifyType = 4;
    list.Pending().Value1_ = 30;
    list.CommitPending();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Entry(1).Applied, 1);
    EXPECT_EQ(list.Pending(), vantorel::ModificationEntry{});

    list.AddModification(7, 2, 0, 0, false, false);
    EXPECT_FALSE(list.OnlyRotations());
    EXPECT_TRUE(list.HasUnapplied());
    EXPECT_TRUE(list.HasNonRotation(true));
    EXPECT_FALSE(list.HasNonRotation(false));
    list.MarkAllApplied();
    EXPECT_FALSE(list.HasUnapplied());

    list.DeleteModification(0); // nothing
    list.DeleteModification(5); // nothing
    list.DeleteModification(2);
    EXPECT_TRUE(list.OnlyRotations());

    list.Pending().Value2_ = 8;
    list.ClearPending();
    EXPECT_EQ(list.Pending().Value2_, 0);
}

} // namespace

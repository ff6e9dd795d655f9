#include "operations/WStrList.h"

#include <gtest/gtest.h>

namespace {

TEST(WideStrings, ANewListIsEmptyAndReadsOutsideItGiveEmptyText) {
  TWideStrings list;
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_EQ(list.GetItem(0), u"");
  list.AddItem(u"a");
  EXPECT_EQ(list.GetItem(-1), u"");
  EXPECT_EQ(list.GetItem(1), u"");
}

TEST(WideStrings, ItemsKeepTheirOrderAndAddReturnsTheIndex) {
  TWideStrings list;
  EXPECT_EQ(list.AddItem(u"param1"), 0);
  EXPECT_EQ(list.AddItem(u""), 1);  // an empty text is an item too
  EXPECT_EQ(list.AddItem(u"\u010D"), 2);
  EXPECT_EQ(list.AddItem(u"four"), 3);
  EXPECT_EQ(list.ItemCount(), 4);
  EXPECT_EQ(list.GetItem(0), u"param1");
  EXPECT_EQ(list.GetItem(1), u"");
  EXPECT_EQ(list.GetItem(2), u"\u010D");

  list.ClearItems();
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_EQ(list.GetItem(0), u"");
  EXPECT_EQ(list.AddItem(u"again"), 0);
}

TEST(WideStrings, CallersGetCopies) {
  TWideStrings list;
  std::u16string text = u"abc";
  list.AddItem(text);
  text[0] = u'x';
  std::u16string copy = list.GetItem(0);
  copy[1] = u'y';
  EXPECT_EQ(list.GetItem(0), u"abc");
}

}  // namespace

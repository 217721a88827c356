// String routines: searching and replacing, and the generated file's name.
#include "Glossan2000.h"

#include <gtest/gtest.h>

using namespace glossan;

TEST(GlossanStrings, FindNthCountsOccurrencesBehindEachOther) {
  EXPECT_EQ(FindNth(u"ab", u"xabab", 1, 1, false), 2);
  EXPECT_EQ(FindNth(u"ab", u"xabab", 1, 2, false), 4);
  EXPECT_EQ(FindNth(u"ab", u"xabab", 1, 3, false), 0);
  EXPECT_EQ(FindNth(u"ab", u"xabab", 3, 1, false), 4);
  EXPECT_EQ(FindNth(u"ab", u"xabab", 2, 1, false), 2); // an occurrence right at the start
  EXPECT_EQ(FindNth(u"ab", u"xabab", 0, 1, false), 2); // a start below 1 counts as 1
  EXPECT_EQ(FindNth(u"ab", u"xabab", -5, 1, false), 2);
  EXPECT_EQ(FindNth(u"aa", u"aaaa", 1, 2, false), 3); // not overlapping
  EXPECT_EQ(FindNth(u"AB", u"xabab", 1, 1, false), 0);
  EXPECT_EQ(FindNth(u"AB", u"xabab", 1, 2, true), 4);
  EXPECT_EQ(FindNth(u"ab", u"xab", 99, 1, false), 0);
  // Only ASCII letters fold.
  EXPECT_EQ(FindNth(u"\u00c4", u"\u00e4", 1, 1, true), 0);
  // An empty text to look for, or no occurrence wanted, finds nothing.
  EXPECT_EQ(FindNth(u"", u"abc", 1, 1, false), 0);
  EXPECT_EQ(FindNth(u"a", u"abc", 1, 0, false), 0);
}

TEST(GlossanStrings, ReplaceAllNeverLooksIntoInsertedText) {
  EXPECT_EQ(ReplaceAll(u"aaa", u"a", u"aa", false), QStringLiteral("aaaaaa"));
  EXPECT_EQ(ReplaceAll(u"a-b-c", u"-", u"", false), QStringLiteral("abc"));
  EXPECT_EQ(ReplaceAll(u"x<%1%>y<%1%>", u"<%1%>", u"<%1%>", false), QStringLiteral("x<%1%>y<%1%>"));
  EXPECT_EQ(ReplaceAll(u"Hello HELLO", u"hello", u"bye", true), QStringLiteral("bye bye"));
  EXPECT_EQ(ReplaceAll(u"Hello HELLO", u"hello", u"bye", false), QStringLiteral("Hello HELLO"));
  // An empty text to look for replaces nothing instead of looping forever.
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x", false), QStringLiteral("abc"));
}

TEST(GlossanStrings, ItlFileNameFollowsTheProgramName) {
  EXPECT_EQ(ItlFileNameFor(u"/usr/bin/dipolix"), QStringLiteral("dipolix.itl"));
  EXPECT_EQ(ItlFileNameFor(u"dipolix"), QStringLiteral("dipolix.itl"));
  EXPECT_EQ(ItlFileNameFor(u"/opt/prog.d/program.exe"), QStringLiteral("program.itl"));
  EXPECT_EQ(ItlFileNameFor(u"/opt/prog.d/dipolix"), QStringLiteral("dipolix.itl"));
}

#include <gtest/gtest.h>

#include "app/messagequeue.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "support/testutil.h"

using veltest::TempDir;
using veltest::WriteFile;

TEST(TextTable, CrLfAndLfOnlyFilesGiveTheSameEntries) {
    TempDir dir;
    WriteFile("texts.txt", "0 Hello\r\n#\r\n1 World\r\n#\r\n");
    texts.Reload();
    ASSERT_EQ(texts.GetCount(), 2);
    EXPECT_STREQ(texts.Get(0), "Hello");
    EXPECT_STREQ(texts.Get(1), "World");

    WriteFile("texts.txt", "0 Hello\n#\n1 World\n#\n");
    texts.Reload();
    ASSERT_EQ(texts.GetCount(), 2);
    EXPECT_STREQ(texts.Get(0), "Hello");
    EXPECT_STREQ(texts.Get(1), "World");
    EXPECT_EQ(textTable[1], texts.Get(1));
}

TEST(TextTable, MultiLineEmptyAndShortEntries) {
    TempDir dir;
    // A two-line text, an empty text, a label with no text before its '#',
    // and trailing bytes after the last '#'.
    WriteFile("texts.txt", "0 first line\r\nsecond line\r\n#\r\n1 \r\n#\r\n2#\r\n3 x\n#tail without hash");
    texts.Reload();
    ASSERT_EQ(texts.GetCount(), 4);
    EXPECT_STREQ(texts.Get(0), "first line\r\nsecond line");
    EXPECT_STREQ(texts.Get(1), "");
    // A '#' inside a label is dropped with the label: skipping runs on into
    // the next entry, whose text lands in slot 2; slot 3 stays empty.
    EXPECT_STREQ(texts.Get(2), "x");
    EXPECT_STREQ(texts.Get(3), "");
}

TEST(TextTable, MissingFileAndOutOfRangeIndexAnswerEmptyText) {
    TempDir dir;
    texts.Reload();
    EXPECT_EQ(texts.GetCount(), 0);
    EXPECT_EQ(textTable, nullptr);
    EXPECT_STREQ(texts.Get(0), "");
    EXPECT_STREQ(texts.Get(-5), "");
    std::string log = veltest::ReadFile("startlog.txt");
    EXPECT_NE(log.find("Could not open texts.txt in TEXTS::TEXTS() !!!"), std::string::npos);

    WriteFile("texts.txt", "0 a\r\n#\r\n");
    texts.Reload();
    EXPECT_STREQ(texts.Get(1), "");
    EXPECT_STREQ(texts.Get(100000), "");
}

TEST(TextTable, BiasesAndObjectNames) {
    TempDir dir;
    WriteFile("texts.txt", "0 a\r\n#\r\n1 b\r\n#\r\n2 c\r\n#\r\n");
    WriteFile("textbias.txt", "t1 7\nx2 -3\ny99 5\nz-1 4\n");
    WriteFile("names.otx", "1200 Steamer\n1300 Wagon\n");
    WriteFile("more.otx", "1400 Averyveryveryverylongnamethatexceedsthirtyonechars\n");
    texts.Reload();
    EXPECT_EQ(texts.GetTextBias(texts.Get(0)), 0);
    EXPECT_EQ(texts.GetTextBias(texts.Get(1)), 7);
    EXPECT_EQ(texts.GetTextBias(texts.Get(2)), -3);
    EXPECT_EQ(texts.GetTextBias("b"), 0);  // not a table pointer
    EXPECT_STREQ(texts.GetObjectName(1300), "Wagon");
    EXPECT_STREQ(texts.GetObjectName(1200), "Steamer");
    EXPECT_EQ(strlen(texts.GetObjectName(1400)), 31u);
    EXPECT_STREQ(texts.GetObjectName(9), "");
}

TEST(MessageQueue, ElevenAddsKeepTheNewestTen) {
    MESSAGE_QUEUE q;
    char buf[16];
    for (int i = 0; i < 11; ++i) {
        snprintf(buf, sizeof buf, "m%d", i);
        q.AddMessage(buf, 0xffffffff, 0);
    }
    EXPECT_EQ(q.GetCount(), 10);
    EXPECT_STREQ(q.GetText(q.GetOldestIndex()), "m1");
}

TEST(MessageQueue, FadeAndDropTimes) {
    EXPECT_EQ(MESSAGE_QUEUE::AlphaForAge(0), 0xffu);
    EXPECT_EQ(MESSAGE_QUEUE::AlphaForAge(9000), 0xffu);
    EXPECT_EQ(MESSAGE_QUEUE::AlphaForAge(9001), (10000u - 9001u) / 4);
    EXPECT_EQ(MESSAGE_QUEUE::AlphaForAge(9999), 0u);
    EXPECT_EQ(MESSAGE_QUEUE::AlphaForAge(10000), 0u);

    MESSAGE_QUEUE q;
    q.AddMessage("a", 0xffffffff, 0);
    q.Age(9999);
    EXPECT_EQ(q.GetCount(), 1);
    q.Age(1);  // exactly 10000 ms: still held
    EXPECT_EQ(q.GetCount(), 1);
    q.Age(1);
    EXPECT_EQ(q.GetCount(), 0);
}

TEST(MessageQueue, LongTextsAreCutTo99Characters) {
    MESSAGE_QUEUE q;
    std::string longText(300, 'x');
    q.AddMessage(longText.c_str(), 0xffffffff, 0);
    EXPECT_EQ(strlen(q.GetText(0)), 99u);
    q.AddMessage(nullptr, 0xffffffff, 0);
    EXPECT_STREQ(q.GetText(1), "");
}

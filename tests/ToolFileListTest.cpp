#include "model/ToolFileList.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

MPEGData Record(const std::string& name, double seconds = 1, std::int64_t bytes = 1000)
{
    MPEGData record;
    record.FileName = "/music/" + name;
    record.TimeTotal = seconds;
    record.FileSize = bytes;
    record.BitRate = "128";
    record.PlayLength = "00:00:01";
    return record;
}

ToolFileList ListOf(const std::vector<std::string>& names)
{
    ToolFileList list;
    for (const std::string& name : names)
        list.Append(Record(name));
    return list;
}

std::vector<std::string> Names(const ToolFileList& list)
{
    std::vector<std::string> names;
    for (const ToolFileRow& row : list.Rows())
        names.push_back(row.Filename);
    return names;
}

TEST(ToolFileListTest, SortsByLowerCaseNameKeepingEqualNamesInOrder)
{
    ToolFileList list = ListOf({"c.ogg", "B.ogg", "a.ogg", "b.ogg", "ab.ogg", "a"});
    list.Select(1);
    list.SortAtoZ();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "a.ogg", "ab.ogg", "B.ogg", "b.ogg", "c.ogg"}));
    EXPECT_EQ(list.Selected(), 1); // the row, not the entry
    list.SortZtoA();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c.ogg", "B.ogg", "b.ogg", "ab.ogg", "a.ogg", "a"}));
    // The "No" column keeps counting from the top.
    EXPECT_EQ(list.Rows()[0].No, "1");
    EXPECT_EQ(list.Rows()[5].No, "6");
}

TEST(ToolFileListTest, UpAndDownMoveTheSelectedEntryButNotPastTheEdges)
{
    ToolFileList list = ListOf({"1", "2", "3"});
    list.Select(0);
    EXPECT_FALSE(list.CanUp());
    list.Up();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"1", "2", "3"}));
    list.Down();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"2", "1", "3"}));
    EXPECT_EQ(list.Selected(), 1);
    list.Down();
    EXPECT_EQ(list.Selected(), 2);
    EXPECT_FALSE(list.CanDown());
    list.Down();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"2", "3", "1"}));
    list.Up();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"2", "1", "3"}));
    list.Select(ToolFileList::kNone);
    EXPECT_FALSE(list.CanUp() || list.CanDown() || list.CanDelete());
}

TEST(ToolFileListTest, DeleteRenumbersTheRowsBelow)
{
    ToolFileList list = ListOf({"1", "2", "3", "4"});
    list.Select(1);
    list.Delete();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(list.Rows()[1].No, "2");
    EXPECT_EQ(list.Rows()[2].No, "3");
    EXPECT_EQ(list.Selected(), ToolFileList::kNone);
    list.Select(7);
    EXPECT_EQ(list.Selected(), ToolFileList::kNone);
}

TEST(ToolFileListTest, TotalsAndJoinReadiness)
{
    ToolFileList list;
    EXPECT_EQ(list.TotalFilesText(), "None");
    EXPECT_EQ(list.TotalLengthText(), "00:00:00");
    EXPECT_EQ(list.TotalSizeText(), "0Kb");
    list.Append(Record("a.ogg", 61.4, 400000));
    EXPECT_FALSE(list.JoinReady("out.ogg"));
    EXPECT_FALSE(list.CanSort());
    // Each length rounds by itself, halves to even: 61 + 30 + 30 seconds.
    list.Append(Record("b.ogg", 30.5, 500000));
    list.Append(Record("c.ogg", 29.5, 99999));
    EXPECT_EQ(list.TotalFilesText(), "3");
    EXPECT_EQ(list.TotalLengthText(), "00:02:01");
    EXPECT_EQ(list.TotalSizeText(), "999Kb");
    EXPECT_TRUE(list.JoinReady("out.ogg"));
    EXPECT_FALSE(list.JoinReady(""));
    EXPECT_EQ(list.Rows()[0].Bitrate, "128kbps");
    EXPECT_EQ(list.Rows()[0].FileSize, "400Kb");

    ToolFileList big;
    for (int i = 0; i < 3; ++i)
        big.Append(Record("big.ogg", 1, 1'000'000'000));
    EXPECT_NE(big.TotalSizeText().find("000Kb"), std::string::npos);
    EXPECT_EQ(big.TotalSizeText().find('-'), std::string::npos);
}

} // namespace
} // namespace oq::test

#include "model/SaveWizardFlow.h"

#include <gtest/gtest.h>

namespace oq::test {
namespace {

TEST(SaveWizardFlowTest, ExportStartsOnTheFinalPageAndCannotGoBack)
{
    SaveWizardFlow flow;
    flow.Activate(ActiveTool::Split, true);
    EXPECT_EQ(flow.Page(), WizardPage::Final);
    EXPECT_EQ(flow.Shown(), SharedButton::Start);
    EXPECT_FALSE(flow.BackEnabled());
    EXPECT_FALSE(flow.Back());
    EXPECT_FALSE(flow.Next());
    // Only the split tool exports.
    flow.Activate(ActiveTool::Wav, true);
    EXPECT_EQ(flow.Page(), WizardPage::WavList);
}

TEST(SaveWizardFlowTest, ARunGoesFromStartThroughPauseToDone)
{
    SaveWizardFlow flow;
    flow.Activate(ActiveTool::Catalog, false);
    EXPECT_EQ(flow.HelpTopic(), "tool_4.html");
    EXPECT_FALSE(flow.Start());
    ASSERT_TRUE(flow.Next());
    EXPECT_EQ(flow.HelpTopic(), "Intro.html");
    EXPECT_TRUE(flow.BackEnabled());
    EXPECT_TRUE(flow.ReadyLabelEnabled());
    EXPECT_FALSE(flow.RunLabelsEnabled());
    ASSERT_TRUE(flow.Start());
    EXPECT_EQ(flow.Shown(), SharedButton::Pause);
    EXPECT_FALSE(flow.BackEnabled());
    EXPECT_FALSE(flow.ReadyLabelEnabled());
    EXPECT_TRUE(flow.RunLabelsEnabled());
    EXPECT_FALSE(flow.Start());
    flow.RunEnded();
    EXPECT_EQ(flow.Shown(), SharedButton::Done);
    EXPECT_FALSE(flow.BackEnabled() || flow.RunLabelsEnabled() || flow.ReadyLabelEnabled());
    // The next opening starts over on the options page.
    flow.Activate(ActiveTool::Catalog, false);
    EXPECT_EQ(flow.Page(), WizardPage::CatalogOptions);
    EXPECT_EQ(flow.Shown(), SharedButton::Next);
}

TEST(SaveWizardFlowTest, JoinNeedsTwoFilesToMoveOn)
{
    SaveWizardFlow flow;
    flow.Activate(ActiveTool::Join, false);
    EXPECT_FALSE(flow.Next(1));
    EXPECT_EQ(flow.Page(), WizardPage::JoinList);
    EXPECT_TRUE(flow.Next(2));
    EXPECT_TRUE(flow.Back());
    EXPECT_EQ(flow.Page(), WizardPage::JoinList);
    EXPECT_EQ(flow.HelpTopic(), "tool_2.html");
}

TEST(SaveWizardFlowTest, ElapsedTime)
{
    EXPECT_EQ(ElapsedText(0), "00:00:00");
    EXPECT_EQ(ElapsedText(75), "00:01:15");
    EXPECT_EQ(ElapsedText(3 * 3600 + 59), "03:00:59");
}

} // namespace
} // namespace oq::test

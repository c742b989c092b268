#include "app/error_box.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct MessageCase {
    Text message, shown;
};

class ErrorBoxText : public testing::TestWithParam<MessageCase>
{
};

TEST_P(ErrorBoxText, EndsWithOneFullStop)
{
    EXPECT_EQ(ErrorBox::MessageText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(ErrorBox, ErrorBoxText,
    testing::Values(MessageCase { "Cannot open file x", "Cannot open file x." },
        MessageCase { "Done.", "Done." }, MessageCase { "", "." }, MessageCase { "a. b", "a. b." },
        MessageCase { "\xD5\xCA\xBA\xC5", "\xD5\xCA\xBA\xC5." }));

TEST(ErrorBox, GuardShowsWhatLeavesAHandlerInTheApplicationsTitle)
{
    std::vector<std::pair<QString, QString>> shown;
    ErrorBox::SetPresenter(
        [&](const QString& caption, const QString& text) { shown.emplace_back(caption, text); });
    ErrorBox::Guard([] { throw std::runtime_error("Cannot Create \xD5\xCA\xBA\xC5.ini"); });
    ErrorBox::Guard([] { throw 42; });
    ErrorBox::Guard([] {});
    ErrorBox::SetPresenter({});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, "LinkWatch");
    EXPECT_EQ(shown[0].second, QString::fromUtf8("Cannot Create \xE5\xB8\x90\xE5\x8F\xB7.ini."));
    EXPECT_EQ(shown[1].second, "Unknown error.");
}

}

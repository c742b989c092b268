// Gives the widget tests the one QApplication they need. Set up before the
// first test and torn down after the last; gtest_main stays the entry point.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        // CTest runs this suite on the offscreen platform; a direct run on a
        // machine without a display gets the same.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
    }

    void TearDown() override { m_application.reset(); }

private:
    char m_name[17] = "app_window_tests";
    char* m_argv[2] = { m_name, nullptr };
    int m_argc = 1;
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] testing::Environment* const environment
    = testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}

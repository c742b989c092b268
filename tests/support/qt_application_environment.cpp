// Gives the widget and window tests the one QApplication they need, on the
// offscreen platform when no other is chosen (CTest chooses it too). Set up
// before the first test and torn down after the last; gtest_main stays the
// entry point. Each suite that shows widgets compiles this file in.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        QApplication::setApplicationName("LinkWatch");
    }

    void TearDown() override { m_application.reset(); }

private:
    char m_name[16] = "linkwatch_tests";
    char* m_argv[2] = { m_name, nullptr };
    int m_argc = 1;
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] testing::Environment* const environment
    = testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}

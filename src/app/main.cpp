#include "app/debug_window.h"
#include "app/main_form.h"
#include "check/open_file_limit.h"
#include "app/result_dump.h"
#include "check/site_list_texts.h"
#include "base/data_folder.h"
#include "base/gbk_codec.h"
#include "build_info.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <QToolButton>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int usageError = 2;

const char usage[] = "usage: linkwatch [--dir DIR] [Qt options]\n"
                     "       linkwatch --version | --help\n"
                     "--dir DIR: keep the site list 帐号.ini in DIR (created and seeded when new)\n";

// The program's own options; everything else is left to Qt.
struct ProgramOptions {
    bool version = false;
    bool help = false;
    std::string folder; // --dir
    std::string error;
};

// Reads --version, --help (-h) and --dir DIR (or --dir=DIR) from argv, which
// keeps them: Qt passes over what it does not know, and the options the
// parser does not know (-platform, -style, ...) are Qt's.
ProgramOptions readOptions(int argc, char** argv)
{
    // Latin-1 maps each byte to one character and back, so that a folder name
    // that is not valid in the locale's encoding reaches the file system as given.
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments << QString::fromLatin1(argv[index]);
    QCommandLineParser parser;
    // Qt's options are single words after one dash; read as letters, -style would hold an -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption dir("dir", "", "DIR");
    const QCommandLineOption version("version");
    const QCommandLineOption help(QStringList { "h", "help" });
    parser.addOptions({ dir, version, help });
    parser.parse(arguments);
    ProgramOptions options { parser.isSet(version), parser.isSet(help), {}, {} };
    const QStringList folders = parser.values(dir);
    const auto given = parser.optionNames().count("dir");
    if (given > folders.size() || (given == 1 && folders[0].isEmpty()))
        options.error = "option --dir needs a folder";
    else if (given > 1)
        options.error = "option --dir given more than once";
    else if (given == 1)
        options.folder = folders[0].toLatin1().toStdString();
    return options;
}

// True when Qt has somewhere to show the windows.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The example site list installed with the program, found from the
// program's own place so an installed tree works wherever it was put.
std::filesystem::path installedExample(const std::string& fileName)
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return program.parent_path() / BinToDataFolder / fileName;
}

// Enters the folder that holds the site list; false, with the reason on
// standard error, when it cannot be had.
bool enterSiteListFolder(const std::string& given)
{
    const std::string fileName = GbkToUtf8(SiteListFileName);
    const DataFolder folder = chooseDataFolder(probeDataFolderFacts(given, fileName));
    const std::string error = enterDataFolder(folder, fileName, installedExample(fileName));
    if (!error.empty())
        std::fprintf(stderr, "linkwatch: %s\n", error.c_str());
    return error.empty();
}

}

// The socket library is bound once for the process before main runs (a
// failure there ends the program with "Error loading Socket interface
// (ws2_32.dll)!"); then the folder of the site list is entered, and the
// application, the main window with its start-up, the hidden debug window,
// and the event loop run until the main window closes.
int main(int argc, char** argv)
{
    const ProgramOptions options = readOptions(argc, argv);
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "linkwatch: %s\n%s", options.error.c_str(), usage);
        return usageError;
    }
    if (options.version) {
        std::printf("linkwatch %s\n", LinkWatchVersion);
        return 0;
    }
    if (!displayAvailable()) {
        std::fputs("LinkWatch needs a display. Without one, start it under a virtual display: "
                   "xvfb-run linkwatch\n",
            stderr);
        return 1;
    }
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG, as on
    // a full disk, and the history and the list's save say so, instead of the
    // signal ending the window.
    std::signal(SIGXFSZ, SIG_IGN);
    RaiseOpenFileLimit();
    if (!enterSiteListFolder(options.folder))
        return 1;
    QApplication application(argc, argv);
    QApplication::setApplicationName("LinkWatch");
    Tform1 form1;
    TWdebug Wdebug;
    form1.SetDebugWindow(&Wdebug);
    ResultDump::StartIfAsked(*form1.RunGrid, *form1.SpeedButton2, &form1);
    form1.show();
    const int code = QApplication::exec();
    // Nothing is saved on the way out. Workers may still be waiting on the
    // network; ending the process here, without running destructors under
    // them, ends them too, at once.
    std::fflush(nullptr);
    std::_Exit(code);
}

// Starts the main window over arbitrary bytes as its site list file "帐号.ini",
// as the program does at start-up, and paints it. The window must come up
// whatever the file holds: at most one error box, a grid of at least one
// row and column with fewer fixed rows than rows, and every status cell that
// holds one of the status texts exactly showing that status's icon. Nothing
// leaves the machine: the advertisement panes get empty pages at once.
#include "app/error_box.h"
#include "app/main_form.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "base/gbk_codec.h"
#include "grid_store/cell_graphic.h"

#include <QApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

MainFormOutside offline()
{
    MainFormOutside outside;
    outside.vendorSite = "http://ads.test";
    outside.adLoader = [](const Text&) { return TBrowserPane::Page {}; };
    outside.openUrl = [](const QUrl&) {};
    outside.askBeforeClose = [] { return CloseAnswer::CloseWithoutSaving; };
    return outside;
}

// The process's one application, on the offscreen platform when no other is
// chosen, and a private folder for the site list file, removed at exit. The
// window reads the file from the current directory, so each start-up runs
// there; the fuzzer's own relative paths need the directory back afterwards.
class StartUpStage
{
public:
    StartUpStage()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        QApplication::setApplicationName("LinkWatch");
        Text pattern = (std::filesystem::temp_directory_path() / "site_list_startup.XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr);
        m_folder = pattern;
        ErrorBox::SetPresenter([this](const QString&, const QString&) { ++errors; });
    }
    ~StartUpStage()
    {
        ErrorBox::SetPresenter({});
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // Writes the site list file and opens the main window over it.
    std::unique_ptr<Tform1> StartUp(const std::uint8_t* data, std::size_t size)
    {
        const std::filesystem::path home = std::filesystem::current_path();
        std::filesystem::current_path(m_folder);
        {
            std::ofstream file(GbkToUtf8(SiteListFileName), std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        }
        errors = 0;
        auto form = std::make_unique<Tform1>(nullptr, offline());
        std::filesystem::current_path(home);
        return form;
    }

    int errors = 0;

private:
    char m_name[16] = "startup_fuzz";
    char* m_argv[2] = { m_name, nullptr };
    int m_argc = 1;
    std::unique_ptr<QApplication> m_application;
    std::filesystem::path m_folder;
};

int statusIndex(const Text& text)
{
    const Text statuses[] = { StatusNormal, StatusPaused, StatusDead };
    for (int index = 0; index < 3; ++index) {
        if (text == statuses[index])
            return index;
    }
    return -1;
}

void checkWindow(const Tform1& form)
{
    const TCellGrid& grid = *form.EditGrid;
    require(grid.ColCount() >= 1 && grid.RowCount() >= 1);
    require(grid.FixedRows() < grid.RowCount());
    require(form.isVisible());
    const CellStore& store = grid.Store();
    if (grid.ColCount() <= SiteStatusCol)
        return;
    store.ForEachCell(SiteStatusCol, FirstSiteRow, SiteStatusCol, grid.RowCount() - 1,
        [](int, int, const Text& text, const TCellGraphic* graphic) {
            const int expected = statusIndex(text);
            if (expected < 0)
                return;
            require(graphic != nullptr && graphic->CellType == ctImageList);
            require(graphic->CellIndex == expected);
        });
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static StartUpStage stage;
    auto form = stage.StartUp(data, size);
    form->show();
    QCoreApplication::processEvents();
    require(stage.errors <= 1);
    checkWindow(*form);
    require(!form->grab().toImage().isNull());
    form.reset();
    QCoreApplication::processEvents();
    return 0;
}

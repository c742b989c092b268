#include "grid_store/grid_error.h"
#include "grid_store/grid_file.h"
#include "grid_store/grid_file_reader.h"
#include "grid_store/grid_file_save_method.h"
#include "support/scratch_folder.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// 帐号.ini, the site list file, as GBK bytes (the name the program uses) and
// as UTF-8 (the name on disk).
const Text SiteListName = "\xD5\xCA\xBA\xC5.ini";
const char* const SiteListDiskName = "\xE5\xB8\x90\xE5\x8F\xB7.ini";
const Text Normal = "\xD5\xFD\xB3\xA3"; // 正常
const Text Paused = "\xD4\xDD\xCD\xA3"; // 暂停

// A store shaped like the site list grid: four columns, one title row, four
// empty data rows, the title row left out of the file.
CellStore siteListStore()
{
    CellStore store;
    store.SetColCount(4);
    store.SetRowCount(5);
    store.SetFixedCols(0);
    store.SetFixedRows(1);
    store.StoreFixedCells = false;
    store.SetColumnHeaders({ "name", "address", "query", "status" });
    return store;
}

// Each test runs in a fresh directory of its own, as the program runs in
// the directory that holds the site list.
class GridFile : public testing::Test
{
protected:
    // Declared first so that it is removed last, after all the test made.
    ScratchFolder m_folder { "grid_file", ScratchFolder::Enter::Yes };

    void SetUp() override { ASSERT_FALSE(m_folder.Path().empty()); }
    static void writeFile(const Text& bytes, const char* name = SiteListDiskName)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static Text readFile(const char* name = SiteListDiskName)
    {
        std::ostringstream bytes;
        bytes << std::ifstream(name, std::ios::binary).rdbuf();
        return bytes.str();
    }
    std::size_t filesInDir() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_folder.Path()), {}));
    }
};

TEST_F(GridFile, SiteListOfTwoEntriesIsWrittenByteForByte)
{
    CellStore store = siteListStore();
    store.SetRowCount(3);
    const int widths[] = { 90, 197, 228, 55 };
    for (int col = 0; col < 4; ++col)
        store.SetColWidths(col, widths[col]);
    store.SetCells(0, 1, "Alpha");
    store.SetCells(1, 1, "http://alpha.example/links.htm");
    store.SetCells(2, 1, "my link");
    store.SetCells(3, 1, Normal);
    store.SetCells(0, 2, "Beta");
    store.SetCells(2, 2, "first\r\nsecond");
    store.SetCells(3, 2, Paused);
    store.AddImageIdx(3, 1, 0, haBeforeText, vaTop);

    SaveToFile(store, SiteListName);

    EXPECT_EQ(readFile(),
        "4,2\r\ncw 0,90\r\ncw 1,197\r\ncw 2,228\r\ncw 3,55\r\n"
        "0,1,Alpha\r\n1,1,http://alpha.example/links.htm\r\n2,1,my link\r\n3,1,"
            + Normal + "\r\n0,2,Beta\r\n2,2,first\t\bsecond\r\n3,2," + Paused + "\r\n");
}

TEST_F(GridFile, SavedListLoadsBackWithCountsWidthsAndTexts)
{
    CellStore saved = siteListStore();
    saved.SetRowCount(4);
    saved.SetColWidths(1, 300);
    saved.SetColWidths(3, 7);
    const Text texts[] = { "a,b,c", "   ", "first\r\nsecond\r\n", Normal + ",\xB2\xE2", "x" };
    for (int i = 0; i < 5; ++i)
        saved.SetCells(i % 4, 1 + i / 2, texts[i]);
    SaveToFile(saved, SiteListName);

    CellStore loaded = siteListStore();
    LoadFromFile(loaded, SiteListName);
    EXPECT_EQ(loaded.ColCount(), 4);
    EXPECT_EQ(loaded.RowCount(), 4);
    for (int col = 0; col < 4; ++col)
        EXPECT_EQ(loaded.ColWidths(col), saved.ColWidths(col)) << col;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(loaded.Cells(col, row), saved.Cells(col, row)) << col << "," << row;
}

TEST_F(GridFile, FullListOfNEntriesTakesOnePlusFourPlusFourNLines)
{
    CellStore store = siteListStore();
    const int entries = 25;
    store.SetRowCount(entries + 1);
    for (int row = 1; row <= entries; ++row)
        for (int col = 0; col < 4; ++col)
            store.SetCells(col, row, "t");
    store.SetCells(6, 3, "beyond the columns");
    store.SetCells(1, entries + 4, "beyond the rows");

    SaveToFile(store, SiteListName);
    const Text bytes = readFile();
    std::size_t lines = 0;
    for (std::size_t at = bytes.find("\r\n"); at != Text::npos; at = bytes.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 1u + 4u + 4u * entries);
    EXPECT_EQ(bytes.substr(0, 6), "4,25\r\n");
    EXPECT_EQ(bytes.find("\n\n"), Text::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(GridFile, WithFixedCellsStoredTheTitleRowIsWritten)
{
    CellStore store = siteListStore();
    store.StoreFixedCells = true;
    SaveToFile(store, SiteListName);
    EXPECT_EQ(readFile().substr(0, 10), "4,5\r\ncw 0,");
    EXPECT_NE(readFile().find("\r\n0,0,name\r\n1,0,address\r\n"), Text::npos);
}

TEST_F(GridFile, EmptyFileChangesNothing)
{
    CellStore store = siteListStore();
    store.SetCells(2, 3, "kept");
    store.SetColWidths(0, 81);
    writeFile("");
    LoadFromFile(store, SiteListName);
    EXPECT_EQ(store.ColCount(), 4);
    EXPECT_EQ(store.RowCount(), 5);
    EXPECT_EQ(store.FixedRows(), 1);
    EXPECT_EQ(store.ColWidths(0), 81);
    EXPECT_EQ(store.Cells(2, 3), "kept");
    EXPECT_EQ(store.Cells(0, 0), "name");
}

TEST_F(GridFile, LoadKeepsCellsTheFileDoesNotName)
{
    CellStore store = siteListStore();
    store.SetCells(1, 1, "old");
    store.SetCells(3, 4, "outside the new size");
    writeFile("4,1\r\n0,1,new\r\n");
    LoadFromFile(store, SiteListName);
    EXPECT_EQ(store.RowCount(), 2);
    EXPECT_EQ(store.Cells(0, 1), "new");
    EXPECT_EQ(store.Cells(1, 1), "old");
    EXPECT_EQ(store.Cells(3, 4), "outside the new size");
}

TEST_F(GridFile, EventsRunAfterEveryCellLineOnAPartlyLoadedGrid)
{
    writeFile("4,3\r\ncw 0,5\r\n0,1,a\r\ncw 1,5\r\n0,2,b\r\n9,9,skipped\r\n0,3,c\r\n");
    CellStore store = siteListStore();
    std::vector<Text> seen;
    LoadFromFile(store, SiteListName,
        [&] { seen.push_back(store.Cells(0, 1) + store.Cells(0, 2) + store.Cells(0, 3)); });
    EXPECT_EQ(seen, (std::vector<Text> { "a", "ab", "ab", "abc" }));
}

TEST_F(GridFile, MissingOrUnreadableFileRaisesAndLeavesTheGridAlone)
{
    CellStore store = siteListStore();
    store.SetCells(0, 1, "kept");
    for (bool asDirectory : { false, true }) {
        if (asDirectory)
            fs::create_directory(SiteListDiskName);
        try {
            LoadFromFile(store, SiteListName);
            ADD_FAILURE() << "no error";
        } catch (const EGridError& error) {
            EXPECT_STREQ(error.what(), ("Cannot open file " + SiteListName).c_str());
        }
    }
    EXPECT_EQ(store.RowCount(), 5);
    EXPECT_EQ(store.Cells(0, 1), "kept");
}

// A site list that is no plain file or passes a bound is refused before any
// of it is applied, at once even when a writer holds a pipe open. make makes the site list file.
// clang-format off
struct RefusedCase { const char* name; std::function<void()> make; Text message; };
// clang-format on

class GridFileRefused : public GridFile, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(GridFileRefused, BeforeAnyOfItIsApplied)
{
    GetParam().make();
    const int writer = ::open(SiteListDiskName, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    CellStore store = siteListStore();
    store.SetCells(0, 1, "kept");
    auto loading = std::async(std::launch::async, [&store] {
        try {
            LoadFromFile(store, SiteListName);
        } catch (const EGridError& error) {
            return Text(error.what());
        }
        return Text("loaded");
    });
    const bool ended = loading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(writer);
    EXPECT_TRUE(ended);
    EXPECT_EQ(loading.get(), GetParam().message);
    EXPECT_EQ(store.RowCount(), 5);
    EXPECT_EQ(store.Cells(0, 1), "kept");
    // Nor does a save put the grid's rows in place of a list it refused for its size.
    if (GetParam().message.starts_with("Cannot read")) {
        EXPECT_THROW(SaveToFile(store, SiteListName), EGridError);
        EXPECT_GT(fs::file_size(SiteListDiskName), GridFileReader::LineLimit);
    }
}

// A list of two lines, then NUL bytes to the given size.
void listGrownTo(std::uintmax_t size)
{
    std::ofstream(SiteListDiskName, std::ios::binary) << "4,2\r\n0,1,new\r\n";
    fs::resize_file(SiteListDiskName, size);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(GridFile, GridFileRefused, testing::Values(
    RefusedCase { .name = "PipeHeldOpenByAWriter", .make = [] { ::mkfifo(SiteListDiskName, 0600); },
        .message = "Cannot open file " + SiteListName + ": not a plain file" },
    RefusedCase { .name = "DeviceWithoutEnd", .make = [] { fs::create_symlink("/dev/zero", SiteListDiskName); },
        .message = "Cannot open file " + SiteListName + ": not a plain file" },
    RefusedCase { .name = "FileBeyondTheSizeBound", .make = [] { listGrownTo(GridFileReader::SizeLimit + 1); },
        .message = "Cannot read " + SiteListName + ": larger than 64 MiB" },
    RefusedCase { .name = "LineBeyondTheLineBound", .make = [] { listGrownTo(14 + GridFileReader::LineLimit + 1); },
        .message = "Cannot read " + SiteListName + ": line 3 longer than 16 MiB" }),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });
// clang-format on

// Opening a file fails once the process has no descriptor left; unlike
// file permissions, this holds for every user, root included.
class DescriptorLimit
{
public:
    DescriptorLimit()
    {
        getrlimit(RLIMIT_NOFILE, &m_old);
        const int lowestFree = dup(0);
        close(lowestFree);
        rlimit tight = m_old;
        tight.rlim_cur = static_cast<rlim_t>(lowestFree);
        setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_old); }

private:
    rlimit m_old {};
};

TEST_F(GridFile, UncreatableFileRaisesCannotCreateAndKeepsTheOldFile)
{
    writeFile("4,1\r\n0,1,old list\r\n");
    CellStore store = siteListStore();
    store.SetCells(0, 1, "new list");
    try {
        DescriptorLimit noDescriptors;
        SaveToFile(store, SiteListName);
        ADD_FAILURE() << "no error";
    } catch (const EGridError& error) {
        EXPECT_STREQ(error.what(), ("Cannot Create " + SiteListName).c_str());
    }
    EXPECT_EQ(readFile(), "4,1\r\n0,1,old list\r\n");
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(GridFile, TargetThatIsNoPlainFileOrInAMissingFolderCannotBeCreated)
{
    fs::create_directory(SiteListDiskName);
    CellStore store = siteListStore();
    EXPECT_THROW(SaveToFile(store, SiteListName), EGridError);
    EXPECT_TRUE(fs::is_directory(SiteListDiskName));
    try {
        SaveToFile(store, "missing/" + SiteListName);
        ADD_FAILURE() << "no error";
    } catch (const EGridError& error) {
        EXPECT_STREQ(error.what(), ("Cannot Create missing/" + SiteListName).c_str());
    }
}

// The file size limit makes a write fail part way, as a full disk would.
TEST_F(GridFile, WriteFailingPartWayRaisesAndLeavesTheOldFileWhole)
{
    writeFile("4,1\r\n0,1,old list\r\n");
    CellStore store = siteListStore();
    store.SetRowCount(20001);
    for (int row = 1; row <= 20000; ++row)
        store.SetCells(2, row, "query text of the row " + std::to_string(row));
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &tight);
    EXPECT_THROW(SaveToFile(store, SiteListName), std::system_error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(readFile(), "4,1\r\n0,1,old list\r\n");
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(GridFile, SaveReplacesTheFileBehindALinkAndKeepsItsMode)
{
    writeFile("old", "real.ini");
    fs::permissions("real.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.ini", SiteListDiskName);
    CellStore store = siteListStore();
    SaveToFile(store, SiteListName);
    EXPECT_TRUE(fs::is_symlink(SiteListDiskName));
    EXPECT_EQ(readFile("real.ini").substr(0, 5), "4,4\r\n");
    EXPECT_EQ(fs::status("real.ini").permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(GridFile, SaveWritesAHardLinkedFileInPlace)
{
    writeFile("old");
    fs::permissions(SiteListDiskName, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(SiteListDiskName, "other.ini");
    struct stat before {
    };
    stat(SiteListDiskName, &before);
    SaveToFile(siteListStore(), SiteListName);
    struct stat after {
    };
    stat(SiteListDiskName, &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(readFile("other.ini").substr(0, 5), "4,4\r\n");
    EXPECT_EQ(readFile("other.ini"), readFile());
}

TEST_F(GridFile, SaveRemovesOnlyTemporaryFilesOfKilledSaves)
{
    const Text leftover = Text(SiteListDiskName) + ".tmp4242.7";
    for (const char* suffix : { ".tmp4242.7", ".tmp4242.7.bak", ".tmp4242", ".tmp4243.1" })
        writeFile("partial", (SiteListDiskName + Text(suffix)).c_str());
    // A save in progress holds a lock on its temporary file.
    const int inProgress = open((SiteListDiskName + Text(".tmp4243.1")).c_str(), O_RDONLY);
    ASSERT_EQ(flock(inProgress, LOCK_EX), 0);
    SaveToFile(siteListStore(), SiteListName);
    close(inProgress);
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(filesInDir(), 4u);
}

// A damaged size line names two billion columns and rows; the cells and
// widths it holds are saved, not one width line per column.
TEST_F(GridFile, DamagedCountsSaveOnlyWhatTheListHolds)
{
    const Text damaged = "2000000000,2000000000\r\ncw 0,90\r\n0,1,Alpha\r\n1999999999,1999999999,far\r\n";
    writeFile(damaged);
    CellStore store = siteListStore();
    LoadFromFile(store, SiteListName);
    SaveToFile(store, SiteListName);
    EXPECT_EQ(readFile(), damaged);
    store.SetColCount(10000);
    SaveToFile(store, SiteListName);
    EXPECT_NE(readFile().find("\r\ncw 9999,64\r\n0,1,Alpha\r\n"), Text::npos);
}

// Renaming a new file over the list makes a new inode: it needs a writable
// folder, drops other hard links and belongs to the saving user.
TEST(GridFileSaveMethod, WritesInPlaceWhereAReplacementWouldShow)
{
    using enum GridFileSaveMethod;
    // Each row changes one fact of a plain file of the saving user in a
    // writable folder.
    const struct {
        GridFileTargetFacts target;
        GridFileSaveMethod method;
    } rows[] = {
        { {}, Replace },
        { { .exists = false }, Replace },
        { { .regularFile = false }, Refuse },
        { { .fileWritable = false }, Refuse },
        { { .folderWritable = false }, InPlace },
        { { .links = 2 }, InPlace },
        { { .ownedBySaver = false }, InPlace },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ChooseSaveMethod(row.target), row.method) << &row - rows;
}

// Damaged files: random bytes rich in the format's own characters must load
// without a crash and leave a grid that keeps its rules.
TEST_F(GridFile, GarbageLoadsIntoAGridThatKeepsItsRules)
{
    std::mt19937 random(20240611);
    const char alphabet[] = "0123456789,,,cw -+$x\r\n\n\t\b\0\xFF\xD5";
    for (int round = 0; round < 50; ++round) {
        Text bytes(1 + random() % 4000, '\0');
        for (char& c : bytes)
            c = random() % 3 ? alphabet[random() % (sizeof alphabet - 1)] : static_cast<char>(random());
        writeFile(bytes);
        CellStore store = siteListStore();
        LoadFromFile(store, SiteListName);
        EXPECT_GE(store.ColCount(), 1);
        EXPECT_LT(store.FixedRows(), store.RowCount());
        store.ForEachCell(
            0, 0, INT_MAX, INT_MAX, [&](int col, int row, const Text& text, const TCellGraphic*) {
                EXPECT_TRUE(store.InGrid(col, row) || (col < 4 && row < 5)) << col << "," << row;
                // An LF comes only from decoding, which leaves no TAB or BS.
                EXPECT_TRUE(text.find('\n') == Text::npos || text.find_first_of("\t\b") == Text::npos);
            });
    }
}

TEST_F(GridFile, MegabyteLineAndTwoBillionRowsLoad)
{
    const Text longText(8 << 20, 'q');
    writeFile("4,2000000000\r\ncw 1," + Text(1 << 20, '7') + "\r\n2,1999999999," + longText
        + "\r\n0,99999999999999,x\r\n");
    CellStore store = siteListStore();
    LoadFromFile(store, SiteListName);
    EXPECT_EQ(store.RowCount(), 2000000001);
    EXPECT_EQ(store.ColWidths(1), INT_MAX);
    EXPECT_EQ(store.Cells(2, 1999999999), longText);
    EXPECT_EQ(store.Cells(0, INT_MAX), "");
}

// One file of a size line and one further line, loaded into a site list
// store whose title row is "name", "address", "query", "status".
struct LineCase {
    const char* title;
    Text bytes;
    int colCount, rowCount, fixedRows;
    int col, row;
    Text text;
    int widthCol = -1, width = 0;
    // Cell lines the load reports as skipped.
    int skipped = 0;
};

class GridFileLine : public GridFile, public testing::WithParamInterface<LineCase>
{
};

TEST_P(GridFileLine, IsAppliedOrSkippedByTheReadingRules)
{
    const LineCase& c = GetParam();
    writeFile(c.bytes);
    CellStore store = siteListStore();
    for (int col = 0; col < 4; ++col)
        store.SetColWidths(col, 60 + col);
    EXPECT_EQ(LoadFromFile(store, SiteListName).skippedCellLines, c.skipped);
    EXPECT_EQ(store.ColCount(), c.colCount);
    EXPECT_EQ(store.RowCount(), c.rowCount);
    EXPECT_EQ(store.FixedRows(), c.fixedRows);
    EXPECT_EQ(store.Cells(c.col, c.row), c.text);
    for (int col = 0; col < std::min(store.ColCount(), 4); ++col)
        EXPECT_EQ(store.ColWidths(col), col == c.widthCol ? c.width : 60 + col) << col;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(GridFile, GridFileLine,
    testing::Values(
        LineCase { .title = "CellOutsideColumns", .bytes = "4,2\r\n7,1,x\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 7, .row = 1, .text = "", .widthCol = -1, .width = 0, .skipped = 1 },
        LineCase { .title = "CellBelowZero", .bytes = "4,2\r\n-1,1,x\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 1, .text = "", .widthCol = -1, .width = 0, .skipped = 1 },
        LineCase { .title = "ByteOrderMark", .bytes = "\xEF\xBB\xBF" "4,2\r\n1,1,x\r\n", .colCount = 1,
            .rowCount = 3, .fixedRows = 1, .col = 1, .row = 1, .text = "", .widthCol = -1, .width = 0,
            .skipped = 1 },
        LineCase { .title = "CellLineForSizeLine", .bytes = "0,1,x\r\n", .colCount = 1, .rowCount = 2,
            .fixedRows = 1, .col = 0, .row = 1, .text = "", .widthCol = -1, .width = 0, .skipped = 1 },
        LineCase { .title = "CellOnTitleRow", .bytes = "4,2\r\n1,0,x\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 0, .text = "address", .skipped = 1 },
        LineCase { .title = "CellLineCutShort", .bytes = "4,2\r\n0,1,a\r\n0,3", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name", .skipped = 1 },
        LineCase { .title = "WidthOutsideColumns", .bytes = "4,2\r\ncw 9,100\r\n", .colCount = 4,
            .rowCount = 3, .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "WidthBelowZero", .bytes = "4,2\r\ncw -1,100\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "WidthWithTrailingLetters", .bytes = "4,2\r\ncw 2,50px\r\n", .colCount = 4,
            .rowCount = 3, .fixedRows = 1, .col = 0, .row = 0, .text = "name", .widthCol = 2, .width = 50 },
        LineCase { .title = "WidthNotANumber", .bytes = "4,2\r\ncw 2,abc\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name", .widthCol = 2, .width = 0 },
        LineCase { .title = "WidthInHex", .bytes = "4,2\r\ncw 3,$1F\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name", .widthCol = 3, .width = 31 },
        LineCase { .title = "WidthWithoutComma", .bytes = "4,2\r\ncw 2\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "LineWithoutComma", .bytes = "4,2\r\nhello world\r\n", .colCount = 4,
            .rowCount = 3, .fixedRows = 1, .col = 0, .row = 0, .text = "name", .skipped = 1 },
        LineCase { .title = "LineWithOneComma", .bytes = "4,2\r\n2,abc\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 2, .row = 0, .text = "query", .skipped = 1 },
        LineCase { .title = "EmptyCellLine", .bytes = "4,2\r\n\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "LenientFields", .bytes = "4,2\r\n 1ab,+2z,t\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 2, .text = "t" },
        LineCase { .title = "CommasStayInText", .bytes = "4,2\r\n1,1,a,b,c\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 1, .text = "a,b,c" },
        LineCase { .title = "LfOnlyLineEnds", .bytes = "4,2\n1,1,x\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 1, .text = "x" },
        LineCase { .title = "LoneCrStaysInText", .bytes = "4,2\r\n1,1,a\rb\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 1, .text = "a\rb" },
        LineCase { .title = "LastLineWithoutEnd", .bytes = "4,2\r\n1,1,x", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 1, .row = 1, .text = "x" },
        LineCase { .title = "EncodedBreaks", .bytes = "4,2\r\n2,1,first\t\bsecond\r\n", .colCount = 4,
            .rowCount = 3, .fixedRows = 1, .col = 2, .row = 1, .text = "first\r\nsecond" },
        LineCase { .title = "TabWithoutBs", .bytes = "4,2\r\n2,1,a\tb\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 2, .row = 1, .text = "a\tb" },
        LineCase { .title = "BsWithoutTab", .bytes = "4,2\r\n2,1,a\bb\r\n", .colCount = 4, .rowCount = 3,
            .fixedRows = 1, .col = 2, .row = 1, .text = "a\nb" },
        LineCase { .title = "SizeWithoutComma", .bytes = "4\r\n", .colCount = 1, .rowCount = 5,
            .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "SizeOfNoRows", .bytes = "4,0\r\n", .colCount = 4, .rowCount = 1, .fixedRows = 0,
            .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "EmptySizeLine", .bytes = "\r\n0,1,x\r\n", .colCount = 4, .rowCount = 5,
            .fixedRows = 1, .col = 0, .row = 1, .text = "x" },
        LineCase { .title = "SizeGrows", .bytes = "6,8\r\n5,8,x\r\n", .colCount = 6, .rowCount = 9,
            .fixedRows = 1, .col = 5, .row = 8, .text = "x" },
        LineCase { .title = "SizeOverflows", .bytes = "99999999999,99999999999\r\n", .colCount = INT_MAX,
            .rowCount = INT_MAX, .fixedRows = 1, .col = 0, .row = 0, .text = "name" },
        LineCase { .title = "NegativeSize", .bytes = "-5,-5\r\n", .colCount = 1, .rowCount = 1,
            .fixedRows = 0, .col = 0, .row = 0, .text = "name" }),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.title); });
// clang-format on

// How a cell text is written and what comes back when it is read.
struct TextCase {
    const char* title;
    Text text, written, readBack;
};

class GridFileText : public GridFile, public testing::WithParamInterface<TextCase>
{
};

TEST_P(GridFileText, IsWrittenOnOneLineAndReadBack)
{
    const TextCase& c = GetParam();
    CellStore store = siteListStore();
    store.SetRowCount(2);
    store.SetCells(1, 1, c.text);
    SaveToFile(store, SiteListName);
    const Text bytes = readFile();
    EXPECT_EQ(bytes.substr(bytes.find("\r\n1,1,") + 6), c.written + "\r\n");
    CellStore loaded = siteListStore();
    LoadFromFile(loaded, SiteListName);
    EXPECT_EQ(loaded.Cells(1, 1), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(GridFile, GridFileText,
    testing::Values(TextCase { "TwoLines", "first\r\nsecond", "first\t\bsecond", "first\r\nsecond" },
        TextCase { "TabWithoutCr", "a\tb", "a\tb", "a\tb" },
        TextCase { "TabBesideCr", "a\tb\r\nc", "a\tb\t\bc", "a\rb\r\nc" },
        TextCase { "LfWithoutCr", "a\nb\nc", "a\bb\bc", "a\nb\nc" },
        TextCase { "CrLfAndLoneLf", "x\r\ny\nz", "x\t\by\bz", "x\r\ny\nz" },
        TextCase { "TabBesideLfWithoutCr", "a\tb\nc", "a\tb\bc", "a\rb\nc" },
        TextCase { "CommasAndBlanks", " a, b ,c ", " a, b ,c ", " a, b ,c " },
        TextCase { "OnlyBlanks", "   ", "   ", "   " }),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.title); });

struct NumberCase {
    const char* field;
    int value;
};

class GridFileNumberRule : public testing::TestWithParam<NumberCase>
{
};

TEST_P(GridFileNumberRule, ReadsAsFarAsTheFieldFits)
{
    EXPECT_EQ(GridFileNumber(GetParam().field), GetParam().value) << '"' << GetParam().field << '"';
}

INSTANTIATE_TEST_SUITE_P(GridFile, GridFileNumberRule,
    testing::Values(NumberCase { " 12ab", 12 }, NumberCase { "ab", 0 }, NumberCase { "", 0 },
        NumberCase { "+7", 7 }, NumberCase { "-7", -7 }, NumberCase { "- 7", 0 }, NumberCase { "\t7", 0 },
        NumberCase { "$1F", 31 }, NumberCase { "x10", 16 }, NumberCase { "X1g", 1 },
        NumberCase { "0x1f", 31 }, NumberCase { "-$10", -16 }, NumberCase { "$", 0 },
        NumberCase { "0X1F", 0 }, NumberCase { "2147483647", INT_MAX },
        NumberCase { "99999999999999999999", INT_MAX }, NumberCase { "-2147483648", INT_MIN },
        NumberCase { "-99999999999999999999", INT_MIN }, NumberCase { "$FFFFFFFFFF", INT_MAX }));

} // namespace

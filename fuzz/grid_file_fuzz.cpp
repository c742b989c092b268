// Feeds arbitrary bytes to the grid file reader as a damaged site list file,
// into a store shaped like the site list (fixed cells not stored) and into a
// default store (fixed cells stored). Whatever it loaded is then saved and
// loaded into a fresh store of the same shape: the counts, the stored column
// widths and the stored texts must come back. Texts whose line breaks are
// CR LF pairs and which hold neither TAB nor BS come back unchanged; any other
// text comes back as its line-break encoding decodes.
#include "grid_store/cell_store.h"
#include "grid_store/grid_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// Saving writes one width line per stored column; more columns than this make
// the round trip too slow for a fuzzer, not wrong.
constexpr int largestSavedColumnCount = 4096;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A private folder for the two files of every input, removed at exit.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        // Saving syncs the file to disk; on a memory file system that costs nothing.
        const std::filesystem::path memory = "/dev/shm";
        const auto base
            = std::filesystem::is_directory(memory) ? memory : std::filesystem::temp_directory_path();
        Text pattern = (base / "grid_file_fuzz.XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr);
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    Text File(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

CellStore siteListShape()
{
    CellStore store;
    store.SetColCount(4);
    store.SetRowCount(2);
    store.SetFixedCols(0);
    store.SetFixedRows(1);
    store.StoreFixedCells = false;
    return store;
}

CellStore sameShape(const CellStore& model)
{
    CellStore store;
    store.StoreFixedCells = model.StoreFixedCells;
    store.SetColCount(model.ColCount());
    store.SetRowCount(model.RowCount());
    store.SetFixedCols(model.FixedCols());
    store.SetFixedRows(model.FixedRows());
    return store;
}

bool survivesUnchanged(const Text& text)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\t' || c == '\b')
            return false;
        if (c == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'))
            return false;
        if (c == '\n' && (at == 0 || text[at - 1] != '\r'))
            return false;
    }
    return true;
}

int countTexts(const CellStore& store, int firstCol, int firstRow)
{
    int count = 0;
    store.ForEachCell(firstCol, firstRow, store.ColCount() - 1, store.RowCount() - 1,
        [&count](int, int, const Text& text, const TCellGraphic*) { count += text.empty() ? 0 : 1; });
    return count;
}

void checkRoundTrip(const CellStore& loaded, const ScratchFolder& folder)
{
    const int firstCol = loaded.StoreFixedCells ? 0 : loaded.FixedCols();
    const int firstRow = loaded.StoreFixedCells ? 0 : loaded.FixedRows();
    if (loaded.ColCount() - firstCol > largestSavedColumnCount)
        return;
    const Text saved = folder.File("saved.ini");
    SaveToFile(loaded, saved);
    CellStore reloaded = sameShape(loaded);
    LoadFromFile(reloaded, saved);

    require(reloaded.ColCount() == loaded.ColCount() && reloaded.RowCount() == loaded.RowCount());
    require(reloaded.FixedCols() == loaded.FixedCols() && reloaded.FixedRows() == loaded.FixedRows());
    for (int col = firstCol; col < loaded.ColCount(); ++col)
        require(reloaded.ColWidths(col) == loaded.ColWidths(col));
    loaded.ForEachCell(firstCol, firstRow, loaded.ColCount() - 1, loaded.RowCount() - 1,
        [&reloaded](int col, int row, const Text& text, const TCellGraphic*) {
            if (text.empty())
                return;
            const Text expected = survivesUnchanged(text) ? text : DecodeCellText(EncodeCellText(text));
            require(reloaded.Cells(col, row) == expected);
        });
    require(countTexts(reloaded, firstCol, firstRow) == countTexts(loaded, firstCol, firstRow));
}

void loadAndCheck(CellStore store, const Text& bytes, const Text& input, const ScratchFolder& folder)
{
    const int cols = store.ColCount();
    const int rows = store.RowCount();
    LoadFromFile(store, input);
    require(store.ColCount() >= 1 && store.RowCount() >= 1);
    require(store.FixedCols() < store.ColCount() && store.FixedRows() < store.RowCount());
    // An empty file or an empty first line leaves the size alone.
    if (bytes.empty() || bytes.front() == '\n' || bytes.starts_with("\r\n"))
        require(store.ColCount() == cols && store.RowCount() == rows);
    checkRoundTrip(store, folder);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFolder folder;
    const Text bytes(reinterpret_cast<const char*>(data), size);
    const Text input = folder.File("input.ini");
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    loadAndCheck(siteListShape(), bytes, input, folder);
    loadAndCheck(CellStore(), bytes, input, folder);
    return 0;
}

#include "app/result_dump.h"

#include "app/result_grid_layout.h"
#include "grid/cell_grid.h"

#include <QFile>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>
#include <string>

namespace {

constexpr char dumpVariable[] = "LINKWATCH_RESULT_DUMP";
constexpr int dumpIntervalMs = 200;

}

ResultDump* ResultDump::StartIfAsked(TCellGrid& grid, QWidget& checkButton, QObject* parent)
{
    const QString path = qEnvironmentVariable(dumpVariable);
    if (path.isEmpty())
        return nullptr;
    return new ResultDump(grid, checkButton, path, parent);
}

ResultDump::ResultDump(TCellGrid& grid, QWidget& checkButton, const QString& path, QObject* parent)
    : QObject(parent)
    , m_grid(grid)
    , m_checkButton(checkButton)
    , m_path(path)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &ResultDump::write);
    m_timer->start(dumpIntervalMs);
}

Text ResultDump::Contents() const
{
    const QPoint centre = m_checkButton.mapTo(m_checkButton.window(), m_checkButton.rect().center());
    Text contents = "check " + std::to_string(centre.x()) + " " + std::to_string(centre.y()) + "\n";
    for (int row = FirstResultRow; row < m_grid.RowCount(); ++row) {
        for (int col = ResultNumberCol; col <= ResultVerdictCol; ++col)
            contents += m_grid.Cells(col, row) + (col < ResultVerdictCol ? "\t" : "\n");
    }
    return contents;
}

void ResultDump::write() const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const Text contents = Contents();
    file.write(contents.data(), static_cast<qint64>(contents.size()));
    file.commit();
}

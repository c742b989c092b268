#pragma once

#include "base/text.h"

#include <QObject>

class QTimer;
class QWidget;
class TCellGrid;

// A test aid of the program: when the environment names a dump file
// (LINKWATCH_RESULT_DUMP), the running program writes the result grid there
// five times a second, so a test that drives the real program from outside
// can read the verdicts back. The file holds GBK bytes: a first line
// "check <x> <y>" with the centre of the CHECK button in the main window's
// coordinates, then one line per result row, its number, name, address and
// verdict separated by tabs. Each write replaces the whole file at once
// (written aside, then renamed). GUI thread only; a write that fails is
// skipped.
class ResultDump : public QObject
{
    Q_OBJECT

public:
    // Starts dumping when the environment asks for it; nullptr otherwise.
    static ResultDump* StartIfAsked(TCellGrid& grid, QWidget& checkButton, QObject* parent);

    ResultDump(TCellGrid& grid, QWidget& checkButton, const QString& path, QObject* parent);

    // The file's text as it stands now.
    Text Contents() const;

private:
    void write() const;

    TCellGrid& m_grid;
    QWidget& m_checkButton;
    QString m_path;
    QTimer* m_timer;
};

#pragma once

#include "app/check_run.h"
#include "app/debug_window.h"
#include "check/link_check_worker.h"
#include "app/result_grid.h"
#include "app/result_grid_layout.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "grid_store/cell_graphic.h"
#include "grid/cell_grid.h"
#include "grid/cell_grid_text.h"
#include "support/loopback_http_server.h"

#include <QApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

inline constexpr char queryText[] = "http://partner.example/";

// One site list entry: name, address, query text, status.
struct Site {
    Text name;
    Text address;
    Text query;
    Text status;
};

// A result grid set up as in the main window, a site list grid, the debug
// window and a check run whose workers are counted, so that every test ends
// only after all its workers have freed themselves. The loopback server
// answers "/with..." with a page holding the query text, anything else
// with a page without it.
class CheckRunTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetUpResultGrid(runGrid);
        runGrid.resize(640, 300);
        runGrid.OnCanEditCell
            = [](QObject*, int, int ACol, bool& CanEdit) { CanEdit = ResultCellEditable(ACol); };
        runGrid.OnCheckBoxClick
            = [this](QObject*, int ACol, int ARow, bool State) { run->CheckBoxClick(ACol, ARow, State); };
        runGrid.OnCanDeleteRow
            = [this](QObject*, int ARow, bool& CanDelete) { run->CanDeleteRow(ARow, CanDelete); };
        ShapeSiteList(editGrid.Store());
        run = std::make_unique<CheckRun>(runGrid);
        run->SetDebugWindow(&debugWindow);
        run->SetWorkerLauncher([this](std::unique_ptr<Temu> worker) {
            worker->setPauseLength(pauseLength);
            ++*started;
            Temu::Start(std::move(worker), [freed = freed] { ++*freed; });
        });
    }

    void TearDown() override
    {
        server.Release();
        EXPECT_TRUE(WaitForWorkers());
        run.reset();
    }

    bool WaitForWorkers(int timeoutMs = 30000)
    {
        return QTest::qWaitFor([this] { return freed->load() == started->load(); }, timeoutMs);
    }

    // A check run whose workers have all been started.
    void StartRun()
    {
        run->Run(editGrid);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !run->Starting(); }, 60000));
    }

    void SetSites(const std::vector<Site>& sites)
    {
        editGrid.SetRowCount(static_cast<int>(sites.size()) + 1);
        for (std::size_t index = 0; index < sites.size(); ++index) {
            const int row = static_cast<int>(index) + 1;
            editGrid.SetCells(SiteNameCol, row, sites[index].name);
            editGrid.SetCells(SiteAddressCol, row, sites[index].address);
            editGrid.SetCells(SiteQueryCol, row, sites[index].query);
            editGrid.SetCells(SiteStatusCol, row, sites[index].status);
        }
    }

    Site ActiveSite(const Text& name, const std::string& path) const
    {
        return { name, server.Url(path), queryText, StatusNormal };
    }

    bool WaitForVerdict(int row, const Text& verdict, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return runGrid.Cells(ResultVerdictCol, row) == verdict; }, timeoutMs);
    }

    bool Ticked(int row) const
    {
        const TCellGraphic* graphic = runGrid.Store().Graphic(ResultCheckBoxCol, row);
        return graphic && graphic->CellType == ctCheckBox && graphic->CellBoolean;
    }

    bool UntickedBox(int row) const
    {
        const TCellGraphic* graphic = runGrid.Store().Graphic(ResultCheckBoxCol, row);
        return graphic && graphic->CellType == ctCheckBox && !graphic->CellBoolean;
    }

    // Clicks the check box of row with a real mouse event.
    void ClickBox(int row)
    {
        if (!runGrid.isVisible()) {
            runGrid.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&runGrid));
        }
        QTest::mouseClick(runGrid.viewport(), Qt::LeftButton, Qt::NoModifier,
            runGrid.CellRect(ResultCheckBoxCol, row).center());
    }

    static std::string Page(const std::string& requestHead)
    {
        const bool holds = requestHead.rfind("GET /with/", 0) == 0 || requestHead.rfind("GET /with ", 0) == 0;
        return LoopbackHttpServer::Reply(
            "200 OK", holds ? std::string("<a href=\"") + queryText + "\">partner</a>" : "<p>no link</p>");
    }

    LoopbackHttpServer server { &CheckRunTest::Page };
    TCellGrid runGrid;
    TCellGrid editGrid;
    TWdebug debugWindow;
    std::unique_ptr<CheckRun> run;
    std::chrono::milliseconds pauseLength { 0 };
    std::shared_ptr<std::atomic<int>> started = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> freed = std::make_shared<std::atomic<int>>(0);
};

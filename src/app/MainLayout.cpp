#include "app/MainLayout.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "app/GroupPane.h"
#include "app/ProportionalSplitter.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemSearchPane.h"
#include "model/ui/GroupTreeWidget.h"

namespace {
// The group pane's share of the width, in ten-thousandths.
constexpr int kGroupPaneProportion = 2500;
}  // namespace

MainLayout BuildMainLayout(QMainWindow& frame) {
    MainLayout out{};
    auto* status = new QStatusBar(&frame);
    status->setSizeGripEnabled(true);
    out.statusLine = new QLabel(status);
    out.statusLine->setObjectName(QStringLiteral("statusLine"));
    status->addWidget(out.statusLine, 1);
    frame.setStatusBar(status);

    out.splitter = new ProportionalSplitter(kGroupPaneProportion, &frame);
    out.groupPane = new GroupPane(out.splitter);
    out.groupTree = new GroupTreeWidget(out.groupPane);
    out.groupPane->setClient(out.groupTree);
    out.itemList = new CZetrovaView(out.splitter);
    out.itemSearch = new ItemSearchPane(out.itemList, out.splitter);
    out.splitter->addWidget(out.groupPane);
    out.splitter->addWidget(out.itemSearch);
    frame.setCentralWidget(out.splitter);
    return out;
}

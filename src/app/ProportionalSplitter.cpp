#include "app/ProportionalSplitter.h"

#include <QResizeEvent>
#include <algorithm>

namespace {
constexpr int kScale = 10000;
}

ProportionalSplitter::ProportionalSplitter(int proportion, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), proportion_(std::clamp(proportion, 0, kScale)) {
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { rememberProportion(); });
}

void ProportionalSplitter::setProportion(int proportion) {
    proportion_ = std::clamp(proportion, 0, kScale);
    applyProportion();
}

void ProportionalSplitter::applyProportion() {
    if (count() != 2 || !widget(0)->isVisibleTo(this) || !widget(1)->isVisibleTo(this)) return;
    const int total = std::max(0, width() - handleWidth());
    const int left = static_cast<int>(static_cast<long long>(total) * proportion_ / kScale);
    setSizes({left, total - left});
}

void ProportionalSplitter::rememberProportion() {
    if (count() != 2 || !widget(0)->isVisibleTo(this) || !widget(1)->isVisibleTo(this)) return;
    const QList<int> s = sizes();
    const long long total = static_cast<long long>(s[0]) + s[1];
    if (total > 0) proportion_ = static_cast<int>(s[0] * kScale / total);
}

void ProportionalSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    applyProportion();
}

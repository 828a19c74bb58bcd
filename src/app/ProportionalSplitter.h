#pragma once

#include <QSplitter>

// A horizontal splitter of two panes that keeps the left pane's share of its width when it is
// resized. The share starts at the given proportion (in ten-thousandths) and follows the user
// whenever the bar is dragged.
class ProportionalSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit ProportionalSplitter(int proportion, QWidget* parent = nullptr);

    int proportion() const { return proportion_; }
    void setProportion(int proportion);
    // Lays the two panes out at the held proportion (when both are shown).
    void applyProportion();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rememberProportion();

    int proportion_;
};

#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

// The left pane of the main window: a header line with the title "グループ" and a close button,
// and below it one child widget (the group tree) filling the rest.
class GroupPane : public QFrame {
    Q_OBJECT
public:
    explicit GroupPane(QWidget* parent = nullptr);

    // Puts the widget below the header; the pane takes ownership.
    void setClient(QWidget* client);
    QWidget* client() const { return client_; }
    QString title() const;
    QToolButton* closeButton() const { return closeButton_; }

signals:
    // The header's close button was clicked.
    void closeClicked();

private:
    QLabel* title_;
    QToolButton* closeButton_;
    QWidget* client_ = nullptr;
};

#include "model/ui/KeyEditAccessibility.h"

#include <QAccessible>
#include <QLineEdit>
#include <QVariant>

namespace {

constexpr char kKeyEditProperty[] = "zetrovaKeyEdit";

QAccessible::UpdateHandler previousHandler = nullptr;
bool installed = false;

void Filter(QAccessibleEvent* event);

bool HoldsKeyText(const QObject* object) {
    const auto* edit = qobject_cast<const QLineEdit*>(object);
    return edit &&
           (edit->echoMode() != QLineEdit::Normal || edit->property(kKeyEditProperty).toBool());
}

QString Masked(const QString& text) {
    return QString(text.size(), u'*');
}

void Forward(QAccessibleEvent* event) {
    if (previousHandler) {
        previousHandler(event);
        return;
    }
    // Qt hands an update to the desktop's bridge only while no handler is installed. Nothing in
    // between sends updates of its own: the bridge only writes messages to the bus.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&Filter);
}

void Filter(QAccessibleEvent* event) {
    if (!HoldsKeyText(event->object())) {
        Forward(event);
        return;
    }
    QObject* edit = event->object();
    switch (event->type()) {
        case QAccessible::TextInserted: {
            const auto* inserted = static_cast<const QAccessibleTextInsertEvent*>(event);
            QAccessibleTextInsertEvent masked(edit, inserted->changePosition(),
                                              Masked(inserted->textInserted()));
            Forward(&masked);
            return;
        }
        case QAccessible::TextRemoved: {
            const auto* removed = static_cast<const QAccessibleTextRemoveEvent*>(event);
            QAccessibleTextRemoveEvent masked(edit, removed->changePosition(),
                                              Masked(removed->textRemoved()));
            Forward(&masked);
            return;
        }
        case QAccessible::TextUpdated: {
            const auto* updated = static_cast<const QAccessibleTextUpdateEvent*>(event);
            QAccessibleTextUpdateEvent masked(edit, updated->changePosition(),
                                              Masked(updated->textRemoved()),
                                              Masked(updated->textInserted()));
            Forward(&masked);
            return;
        }
        case QAccessible::ValueChanged:
            // A value change would carry the text as its value: dropped.
            return;
        default:
            Forward(event);
            return;
    }
}

}  // namespace

void MarkAsKeyEdit(QLineEdit& edit) {
    edit.setProperty(kKeyEditProperty, true);
}

void InstallKeyEditAccessibility() {
    if (installed) return;
    installed = true;
    previousHandler = QAccessible::installUpdateHandler(&Filter);
}

#include "model/XPathForms.h"

#include "model/Schema.h"
#include "model/XmlText.h"

namespace xpath {
namespace {

const QString kAttr = QString::fromUtf16(schema::kName);

QString NameEquals(const QString& name) {
    return QStringLiteral("[@%1=%2]").arg(kAttr, Literal(name));
}

}  // namespace

QString Literal(const QString& raw) {
    const QString text = ToXmlCharacters(raw);
    if (!text.contains(u'\'')) return u'\'' + text + u'\'';
    if (!text.contains(u'"')) return u'"' + text + u'"';
    // concat('a',"'",'b') needs at least two arguments; an empty piece keeps that true.
    QStringList parts;
    const QStringList pieces = text.split(u'\'');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) parts << QStringLiteral("\"'\"");
        if (!pieces[i].isEmpty()) parts << u'\'' + pieces[i] + u'\'';
    }
    if (parts.size() < 2) parts << QStringLiteral("''");
    return QStringLiteral("concat(%1)").arg(parts.join(u','));
}

QString GroupStep(const QString& label) {
    return QString::fromUtf16(schema::kGroup) + NameEquals(label);
}

QString BuildGroupPath(const QStringList& labelsTopDown) {
    if (labelsTopDown.isEmpty()) return u'/' + GroupStep(QString());
    QString path;
    for (const QString& label : labelsTopDown) path += u'/' + GroupStep(label);
    return path;
}

QString GroupChildren(const QString& groupPath) {
    return groupPath + QStringLiteral("/*");
}

std::optional<QString> ItemLookup(const QString& name, int kind) {
    switch (kind) {
        case schema::kAnyKind:
            return QStringLiteral("child::*") + NameEquals(name);
        case schema::kPlainItem:
            return QString::fromUtf16(schema::kItem) + NameEquals(name);
        case schema::kSecretItem:
            return QString::fromUtf16(schema::kSecret) + NameEquals(name);
        default:
            return std::nullopt;
    }
}

QString ChildLookup(const QString& name) {
    return QStringLiteral("./*") + NameEquals(name);
}

QString GroupSearch(const QString& text, bool caseSensitive) {
    const QString group = QString::fromUtf16(schema::kGroup);
    if (caseSensitive)
        return QStringLiteral(".//%1[contains(@%2,%3)]").arg(group, kAttr, Literal(text));
    const QString lower = QStringLiteral("'abcdefghijklmnopqrstuvwxyz'");
    const QString upper = QStringLiteral("'ABCDEFGHIJKLMNOPQRSTUVWXYZ'");
    return QStringLiteral(".//%1[contains(translate(@%2,%4,%5),translate(%3,%4,%5))]")
        .arg(group, kAttr, Literal(text), lower, upper);
}

}  // namespace xpath

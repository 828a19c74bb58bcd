#include "support/Documents.h"

XmlNode Add(const XmlNode& parent, const char16_t* tag, const QString& name, const QString& value) {
    XmlNode e = parent.document().createElement(QStringView(tag));
    e.setAttribute(schema::kName, name);
    if (!value.isEmpty()) e.setText(value);
    return parent.appendChild(e);
}

XmlNode AddGroup(const XmlNode& parent, const QString& name) {
    return Add(parent, schema::kGroup, name);
}

XmlNode AddItem(const XmlNode& parent, const QString& name, const QString& value, bool secret) {
    XmlNode e = Add(parent, secret ? schema::kSecret : schema::kItem, name);
    e.setText(value);
    return e;
}

namespace {

void AddEntries(const XmlNode& parent, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries)
        AddEntries(Add(parent, entry.tag, entry.name, entry.value), entry.children);
}

}  // namespace

XmlDocument BuildDocument(const std::vector<Entry>& entries) {
    XmlDocument doc = schema::CreateNewDocument();
    AddEntries(doc.documentElement(), entries);
    return doc;
}

XmlDocument ThousandGroupsOfItems(const QString& firstName) {
    XmlDocument doc = schema::CreateNewDocument();
    int groups = 0;
    int items = 0;
    const auto addGroup = [&](const XmlNode& parent) {
        const XmlNode g = Add(parent, schema::kGroup,
                              groups == 0 ? firstName : QStringLiteral("group%1").arg(groups));
        ++groups;
        for (int i = 0; i < 100; ++i, ++items)
            Add(g, i % 10 ? schema::kItem : schema::kSecret,
                QStringLiteral("item%1").arg(items, 6, 10, QChar(u'0')),
                QStringLiteral("value %1 パスワード").arg(items));
        return g;
    };
    for (int i = 0; i < 10; ++i) {
        const XmlNode top = addGroup(doc.documentElement());
        for (int j = 0; j < 9; ++j) {
            const XmlNode mid = addGroup(top);
            for (int k = 0; k < 10; ++k) addGroup(mid);
        }
    }
    return doc;
}

QString NestedGroups(int depth) {
    QString text = QStringLiteral("<group name=\"root\">");
    for (int level = 1; level <= depth; ++level)
        text += QStringLiteral("<group name=\"g%1\">").arg(level);
    text += QStringLiteral("<item name=\"x\">v</item>");
    for (int level = 0; level <= depth; ++level) text += QStringLiteral("</group>");
    return text;
}

QString FromUtf16Le(const QByteArray& bytes) {
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

QByteArray ToUtf16Le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <vector>

#include "fuzz/FuzzTarget.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/ui/GroupTreeView.h"

QString Escaped(const char16_t* text) {
    return QString::fromUtf16(text).toHtmlEscaped();
}

QString FuzzFilePath(const QString& name) {
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    return dir.filePath(name);
}

void WriteFuzzFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

void CheckGroupTree(const XmlDocument& document) {
    // The items of the tree, built below an item of our own instead of a widget.
    QTreeWidgetItem top;
    FillGroupTree(nullptr, document.documentElement(), &top);
    std::vector<const QTreeWidgetItem*> shown{&top};
    while (!shown.empty()) {
        const QTreeWidgetItem* item = shown.back();
        shown.pop_back();
        for (int i = 0; i < item->childCount(); ++i) shown.push_back(item->child(i));
        if (item == &top) continue;
        const QStringList labels = LabelChain(item).mid(1);  // without `top`
        const XmlNode group = document.selectSingleNode(xpath::BuildGroupPath(labels));
        FUZZ_CHECK(schema::IsGroup(group));
        FUZZ_CHECK(schema::NameOf(group) == labels.back());
    }
}

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

TempDir::TempDir() {
    EXPECT_TRUE(dir_.isValid());
}

void TempDir::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray TempDir::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// "TrMode" in "Kn_Vey_1prn": which transfer a stored value selects.
#include "mainwindow/NoteSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(TransferMode, StoredValueSelectsRules)
{
    const struct
    {
        const char *name;
        QByteArray file;
        bool dictionary;
    } rows[] = {
        {"no file", QByteArray(), true},
        {"no key", "[Kn_Vey_1prn]\r\nTaxOld=8\r\n", true},
        {"0: word lists", "[Kn_Vey_1prn]\r\nTrMode=0\r\n", false},
        {"quoted 0", "[Kn_Vey_1prn]\r\nTrMode=\"0\"\r\n", false},
        {"1: dictionary", "[Kn_Vey_1prn]\r\nTrMode=1\r\n", true},
        {"unknown value", "[Kn_Vey_1prn]\r\nTrMode=x\r\n", true},
    };
    for (const auto &row : rows) {
        QTemporaryDir dir;
        const QString ini = settingsPath(dir.path());
        if (!row.file.isNull()) {
            QFile f(ini);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(row.file);
        }
        EXPECT_EQ(readDictionaryTransfer(ini), row.dictionary) << row.name;
    }
}

TEST(TransferMode, WrittenValueReadsBack)
{
    QTemporaryDir dir;
    const QString ini = settingsPath(dir.path());
    writeDictionaryTransfer(ini, false);
    EXPECT_FALSE(readDictionaryTransfer(ini));
    writeDictionaryTransfer(ini, true);
    EXPECT_TRUE(readDictionaryTransfer(ini));
}

} // namespace

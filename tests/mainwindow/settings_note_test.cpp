#include "FileSizeLimit.h"
#include "mainwindow/NoteSettings.h"
#include "platform/ProfileFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
void PrintTo(const QDate &d, std::ostream *os)
{
    *os << d.toString(Qt::ISODate).toStdString();
}

void PrintTo(const NoteSettings &settings, std::ostream *os)
{
    NoteSettings s = settings;
    for (const auto &k : startupSettingKeys()) {
        *os << "\n  " << k.key.toStdString() << '=';
        std::visit([&](auto *field) { *os << ::testing::PrintToString(*field); },
                   k.field(s, k.index));
    }
}

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The key names of the file's lines, in file order.
QStringList keysInFile(const QString &path)
{
    QStringList keys;
    for (const QByteArray &line : readBytes(path).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys << QString::fromLatin1(line.left(eq));
    }
    return keys;
}

QStringList numbered(const QString &prefix, int from, int to)
{
    QStringList keys;
    for (int n = from; n <= to; ++n)
        keys << prefix + QString::number(n);
    return keys;
}

class Settings : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QString ini = settingsPath(dir.path());
};

TEST_F(Settings, FileLiesInTheWorkingDirectory)
{
    EXPECT_EQ(settingsPath(QStringLiteral("/home/shop")),
              QStringLiteral("/home/shop/Kanro_Vey_1.ini"));
}

TEST_F(Settings, FirstStartWithoutAFileGivesTheDefaults)
{
    const NoteSettings s = readStartupSettings(ini);
    EXPECT_EQ(s.E_021[0], QStringLiteral("納品書　兼　請求書"));
    EXPECT_EQ(s.TaxOld, QStringLiteral("8"));
    EXPECT_EQ(s.TaxNew, QStringLiteral("10"));
    EXPECT_EQ(s.TaxEnforDate, QDate(2019, 10, 1));
    EXPECT_EQ(s.TaxRegNo, QString());
    EXPECT_EQ(s.TaxReduced, QStringLiteral("8"));
    EXPECT_EQ(s.TxDisp, QStringLiteral("0"));
    EXPECT_EQ(s.ComboBox_SEL, 0);
    EXPECT_EQ(s.Comb_Paper, 0);
    EXPECT_FALSE(s.NewPage);
    EXPECT_EQ(s.Addr_Font, 1);
    EXPECT_EQ(s.G13_FontSize, 10);
    EXPECT_EQ(s.KOSUU, QStringLiteral("1"));
    EXPECT_EQ(s.G16_FontName, QString());
    EXPECT_EQ(s.E_021[1], QString());
    EXPECT_EQ(s, NoteSettings());
    EXPECT_EQ(readDetailLines(ini), DetailLines());
    EXPECT_EQ(readPrinterChoice(ini), -1);
    EXPECT_FALSE(QFile::exists(ini)) << "reading never creates the file";
}

NoteSettings everyFieldSet()
{
    NoteSettings s;
    s.Addr_Font = 3;
    s.G13_FontSize = 12;
    s.G16_FontName = QStringLiteral("ＭＳ Ｐ明朝");
    s.TaxOld = QStringLiteral("8");
    s.TaxEnforDate = QDate(2019, 10, 1);
    s.TaxNew = QStringLiteral("10");
    s.E_ZIP = QStringLiteral("150-0001");
    s.E_AD1 = QStringLiteral("東京都渋谷区神宮前１－２－３");
    s.E_AD2 = QStringLiteral("ソフト表能ビル");
    s.E_AD3 = QStringLiteral("３Ｆ");
    s.E_CUS = QStringLiteral("山田　太郎 様");
    s.E_TEL = QStringLiteral("03-1234-5678");
    for (size_t i = 0; i < s.E_G.size(); ++i)
        s.E_G[i] = QStringLiteral("g%1").arg(i);
    for (size_t i = 0; i < s.E_Rm.size(); ++i)
        s.E_Rm[i] = QStringLiteral("備考%1").arg(i);
    for (size_t i = 0; i < s.E_021.size(); ++i)
        s.E_021[i] = QStringLiteral("甘露 %1").arg(i);
    s.KOSUU = QStringLiteral("2");
    s.ComboBox_SEL = 1;
    s.ime_Itemno = 4;
    s.ime_Item = 5;
    s.ime_Unit = 6;
    s.Comb_Paper = -1;
    s.NewPage = true;
    s.TaxRegNo = QStringLiteral("T1234567890123");
    s.TaxReduced = QStringLiteral("6.5");
    s.TxDisp = QStringLiteral("2");
    return s;
}

DetailLines everyCellSet()
{
    DetailLines d;
    for (size_t r = 0; r < 10; ++r) {
        d.itemNo[r] = QStringLiteral("品名%1").arg(r);
        d.item[r] = QStringLiteral("色%1").arg(r);
        d.qty[r] = QString::number(r + 1);
        d.unit[r] = QStringLiteral("個");
        d.price[r] = QStringLiteral("1.25");
        d.sales[r] = QStringLiteral("999"); // not quantity x price: restored as stored
        d.reduced[r] = r % 2 ? QStringLiteral("1") : QStringLiteral("0");
    }
    return d;
}

TEST_F(Settings, WhatShutdownWritesStartUpReads)
{
    const NoteSettings s = everyFieldSet();
    const DetailLines d = everyCellSet();
    writeDetailLines(ini, d);
    writeShutdownSettings(ini, s);
    EXPECT_EQ(readStartupSettings(ini), s);
    EXPECT_EQ(readDetailLines(ini), d);

    // A second run writing the defaults again overwrites every key.
    writeDetailLines(ini, DetailLines());
    writeShutdownSettings(ini, NoteSettings());
    EXPECT_EQ(readStartupSettings(ini), NoteSettings());
    EXPECT_EQ(readDetailLines(ini), DetailLines());
}

TEST_F(Settings, PageFeedBoxSurvivesARestart)
{
    for (const bool checked : {true, false, true}) {
        NoteSettings s;
        s.NewPage = checked;
        writeShutdownSettings(ini, s);
        EXPECT_EQ(readStartupSettings(ini).NewPage, checked);
    }
}

TEST_F(Settings, HandEditedFilesAreRead)
{
    const struct
    {
        const char *name;
        const char *lines; // UTF-8, inside [Kn_Vey_1prn]
        std::function<void(const NoteSettings &)> check;
    } rows[] = {
        {"key in lower case", "comb_paper=2\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.Comb_Paper, 2); }},
        {"selection outside the list is kept", "Comb_Paper=5\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.Comb_Paper, 5); }},
        {"remark with leading blanks", "E_Rm3=   振込手数料はご負担ください\r\n",
         [](const NoteSettings &s) {
             EXPECT_EQ(s.E_Rm[2], QStringLiteral("振込手数料はご負担ください"));
         }},
        {"quoted title", "E_021_0=\"  御請求書  \"\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.E_021[0], QStringLiteral("  御請求書  ")); }},
        {"empty title stays empty", "E_021_0=\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.E_021[0], QString()); }},
        {"enforcement date not a date", "TaxEnforDate=令和元年\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.TaxEnforDate, QDate(2019, 10, 1)); }},
        {"registration number that is no number is read as it stands", "TaxRegNo=T12-34\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.TaxRegNo, QStringLiteral("T12-34")); }},
        {"older file keeps its own rates and takes the new keys' defaults",
         "TaxOld=3\r\nTaxEnforDate=1997/04/01\r\nTaxNew=5\r\n",
         [](const NoteSettings &s) {
             EXPECT_EQ(s.TaxOld, QStringLiteral("3"));
             EXPECT_EQ(s.TaxEnforDate, QDate(1997, 4, 1));
             EXPECT_EQ(s.TaxNew, QStringLiteral("5"));
             EXPECT_EQ(s.TaxReduced, QStringLiteral("8"));
             EXPECT_EQ(s.TxDisp, QStringLiteral("0"));
         }},
        {"rounding mode stored", "txdisp=1\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.TxDisp, QStringLiteral("1")); }},
        {"enforcement date with one-digit month", "TaxEnforDate=2019/10/1\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.TaxEnforDate, QDate(2019, 10, 1)); }},
        {"hexadecimal selection", "ComboBox_SEL=$1\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.ComboBox_SEL, 1); }},
        {"selection that is no number", "ComboBox_SEL=連続\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.ComboBox_SEL, 0); }},
        {"font size that is no whole number", "G13_FontSize=10.5\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s.G13_FontSize, 10); }},
        {"NewPage 1", "NewPage=1\r\n", [](const NoteSettings &s) { EXPECT_TRUE(s.NewPage); }},
        {"NewPage quoted 1 with blanks", "NewPage= \"1\" \r\n",
         [](const NoteSettings &s) { EXPECT_TRUE(s.NewPage); }},
        {"NewPage 0", "NewPage=0\r\n", [](const NoteSettings &s) { EXPECT_FALSE(s.NewPage); }},
        {"NewPage 2 is unchecked", "NewPage=2\r\n",
         [](const NoteSettings &s) { EXPECT_FALSE(s.NewPage); }},
        {"NewPage word is unchecked", "NewPage=true\r\n",
         [](const NoteSettings &s) { EXPECT_FALSE(s.NewPage); }},
        {"NewPage empty is unchecked", "NewPage=\r\n",
         [](const NoteSettings &s) { EXPECT_FALSE(s.NewPage); }},
        {"detail and counter keys are not settings",
         "Edit_ITEMNO1=x\r\niSLIPNO=9\r\nVey_12prnno=2\r\n",
         [](const NoteSettings &s) { EXPECT_EQ(s, NoteSettings()); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        writeBytes(ini, QByteArray("[Kn_Vey_1prn]\r\n") + row.lines);
        row.check(readStartupSettings(ini));
    }
}

TEST_F(Settings, StoredAmountsAreRestoredAsStored)
{
    writeBytes(ini, "[Kn_Vey_1prn]\r\nEdit_QTY1=3\r\nEdit_Price1=1200\r\nEdit_Sales1=3700\r\nedit_"
                    "unit10=箱\r\n");
    const DetailLines d = readDetailLines(ini);
    EXPECT_EQ(d.qty[0], QStringLiteral("3"));
    EXPECT_EQ(d.price[0], QStringLiteral("1200"));
    EXPECT_EQ(d.sales[0], QStringLiteral("3700"));
    EXPECT_EQ(d.unit[9], QStringLiteral("箱"));
    EXPECT_EQ(d.itemNo[0], QString());
}

TEST_F(Settings, ReadOrderIsTheStartUpOrder)
{
    const QStringList expected =
        QStringList{"Addr_Font",    "G13_FontSize", "G16_FontName", "TaxOld",
                    "TaxEnforDate", "TaxNew",       "E_ZIP",        "E_AD1",
                    "E_AD2",        "E_AD3",        "E_CUS",        "E_TEL"} +
        numbered(QStringLiteral("E_G"), 1, 6) + numbered(QStringLiteral("E_Rm"), 1, 9) +
        numbered(QStringLiteral("E_021_"), 0, 5) +
        QStringList{"KOSUU",      "ComboBox_SEL", "ime_Itemno", "ime_Item",   "ime_Unit",
                    "Comb_Paper", "NewPage",      "TaxRegNo",   "TaxReduced", "TxDisp"};
    QStringList actual;
    for (const auto &k : startupSettingKeys())
        actual << k.key;
    EXPECT_EQ(actual, expected);
}

TEST_F(Settings, WritersAppendTheirKeysInTheirOrder)
{
    const QStringList detail =
        numbered(QStringLiteral("Edit_ITEMNO"), 1, 10) +
        numbered(QStringLiteral("Edit_ITEM"), 1, 10) + numbered(QStringLiteral("Edit_QTY"), 1, 10) +
        numbered(QStringLiteral("Edit_Unit"), 1, 10) +
        numbered(QStringLiteral("Edit_Price"), 1, 10) +
        numbered(QStringLiteral("Edit_Sales"), 1, 10) + numbered(QStringLiteral("Reduced"), 1, 10);
    const QStringList shutdown =
        QStringList{"TaxOld", "TaxEnforDate", "TaxNew", "Addr_Font", "G13_FontSize", "G16_FontName",
                    "E_ZIP",  "E_AD1",        "E_AD2",  "E_AD3",     "E_CUS",        "E_TEL"} +
        numbered(QStringLiteral("E_G"), 1, 6) + numbered(QStringLiteral("E_Rm"), 1, 9) +
        numbered(QStringLiteral("E_021_"), 0, 5) +
        QStringList{"KOSUU",   "ComboBox_SEL", "ime_Itemno", "ime_Item",   "ime_Unit",
                    "NewPage", "Comb_Paper",   "TaxRegNo",   "TaxReduced", "TxDisp"};

    writeDetailLines(ini, DetailLines());
    EXPECT_EQ(keysInFile(ini), detail);
    writeShutdownSettings(ini, NoteSettings());
    EXPECT_EQ(keysInFile(ini), detail + shutdown);
    EXPECT_TRUE(readBytes(ini).startsWith("[Kn_Vey_1prn]\r\nEdit_ITEMNO1=\r\n"));

    QTemporaryDir other;
    const QString ime = settingsPath(other.path());
    writeImeModes(ime, 2, 0, 1);
    EXPECT_EQ(readBytes(ime),
              QByteArray("[Kn_Vey_1prn]\r\nime_Itemno=2\r\nime_Item=0\r\nime_Unit=1\r\n"));
}

TEST_F(Settings, InputModesAndPrinterChoiceAreWrittenAtOnce)
{
    writeImeModes(ini, 1, 2, 3);
    writePrinterChoice(ini, 4);
    const NoteSettings s = readStartupSettings(ini);
    EXPECT_EQ(s.ime_Itemno, 1);
    EXPECT_EQ(s.ime_Item, 2);
    EXPECT_EQ(s.ime_Unit, 3);
    EXPECT_EQ(readPrinterChoice(ini), 4);
    writePrinterChoice(ini, -1);
    EXPECT_EQ(readPrinterChoice(ini), -1);
}

TEST_F(Settings, SlipNumbersAreIssuedFromTheCounter)
{
    const struct
    {
        const char *name;
        const char *file; // nullptr: no file
        std::vector<qint64> issued;
    } rows[] = {
        {"no stored counter starts at 2", nullptr, {2, 3}},
        {"stored counter", "[Kn_Vey_1prn]\r\niSLIPNO=41\r\n", {42, 43}},
        {"counter in lower case and hexadecimal", "[kn_vey_1prn]\r\nislipno=0x10\r\n", {17}},
        {"counter that is no number", "[Kn_Vey_1prn]\r\niSLIPNO=A-12\r\n", {2}},
        {"largest 64-bit counter starts again at 1",
         "[Kn_Vey_1prn]\r\niSLIPNO=9223372036854775807\r\n",
         {1, 2}},
        {"last ten-digit number", "[Kn_Vey_1prn]\r\niSLIPNO=9999999998\r\n", {9999999999, 1}},
        {"counter beyond ten digits starts again at 1",
         "[Kn_Vey_1prn]\r\niSLIPNO=12345678901\r\n",
         {1}},
        {"negative counter starts again at 1", "[Kn_Vey_1prn]\r\niSLIPNO=-5\r\n", {1, 2}},
        {"zero counter", "[Kn_Vey_1prn]\r\niSLIPNO=0\r\n", {1}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(ini);
        if (row.file)
            writeBytes(ini, row.file);
        for (const qint64 expected : row.issued)
            EXPECT_EQ(issueNextSlipNumber(ini), expected);
        EXPECT_EQ(ProfileFile(ini).readInteger(QStringLiteral("Kn_Vey_1prn"),
                                               QStringLiteral("iSLIPNO"), 0),
                  row.issued.back());
    }
}

TEST_F(Settings, ShutdownKeepsTheShopsOtherKeys)
{
    const QByteArray original = readBytes(QStringLiteral(KANRO_TEST_DATA "/kanro_vey_1_cp932.ini"));
    ASSERT_FALSE(original.isEmpty());
    writeBytes(ini, original);

    NoteSettings s = readStartupSettings(ini);
    EXPECT_EQ(s.E_AD1, QStringLiteral("東京都渋谷区神宮前１－２－３"));
    EXPECT_EQ(s.E_Rm[0], QStringLiteral("お振込みは月末までに"));
    EXPECT_EQ(s.TaxEnforDate, QDate(2014, 4, 1));
    EXPECT_EQ(s.TaxNew, QStringLiteral("8"));
    EXPECT_EQ(s.G13_FontSize, 10);
    EXPECT_EQ(s.Comb_Paper, 1);
    EXPECT_TRUE(s.NewPage);
    const DetailLines d = readDetailLines(ini);
    EXPECT_EQ(d.itemNo[0], QStringLiteral("ボールペン"));
    EXPECT_EQ(d.sales[0], QStringLiteral("3700"));

    s.E_CUS = QStringLiteral("鈴木 様");
    writeDetailLines(ini, d);
    writeShutdownSettings(ini, s);
    EXPECT_EQ(readStartupSettings(ini), s);
    EXPECT_EQ(readDetailLines(ini), d);
    EXPECT_EQ(issueNextSlipNumber(ini), 42);

    const ProfileFile after(ini);
    EXPECT_EQ(after.encoding(), ProfileFile::Encoding::Cp932);
    EXPECT_EQ(after.readInteger(QStringLiteral("Kn_Vey_1prn"), QStringLiteral("Tab_My"), -1), 2);
    EXPECT_EQ(after.readString(QStringLiteral("Kn_Vey_1prn"), QStringLiteral("OP023My")),
              QStringLiteral("ソ表能予"));
    const QByteArray bytes = readBytes(ini);
    const QByteArray yamato = original.mid(original.indexOf("[Kn_Yamatoprn]"));
    EXPECT_TRUE(bytes.endsWith(yamato)) << "the unknown section stays last and unchanged";
    EXPECT_TRUE(bytes.startsWith(original.left(original.indexOf('\n') + 1)))
        << "the leading comment stays";
}

TEST_F(Settings, OlderFileIsWrittenBackAsBeforeApartFromTheInvoiceKeys)
{
    // The reference is what the writers wrote before the invoice keys
    // existed, for the same start-up read and shutdown write of this file.
    const QByteArray original = readBytes(QStringLiteral(KANRO_TEST_DATA "/kanro_vey_1_cp932.ini"));
    const QByteArray before =
        readBytes(QStringLiteral(KANRO_TEST_DATA "/kanro_vey_1_cp932_written_before_invoice.ini"));
    ASSERT_FALSE(original.isEmpty());
    ASSERT_FALSE(before.isEmpty());
    writeBytes(ini, original);

    const NoteSettings s = readStartupSettings(ini);
    EXPECT_EQ(s.TaxOld, QStringLiteral("3")) << "a stored file keeps its own rates";
    EXPECT_EQ(s.TaxEnforDate, QDate(2014, 4, 1));
    writeDetailLines(ini, readDetailLines(ini));
    writeShutdownSettings(ini, s);
    const QByteArray after = readBytes(ini);

    QByteArray withoutInvoiceKeys;
    QStringList invoiceKeys;
    for (const QByteArray &line : after.split('\n')) {
        const QByteArray key = line.left(line.indexOf('='));
        static const QRegularExpression invoiceKey(
            QStringLiteral("^(TaxRegNo|TaxReduced|TxDisp|Reduced([1-9]|10))$"));
        if (line.contains('=') && invoiceKey.match(QString::fromLatin1(key)).hasMatch()) {
            invoiceKeys << QString::fromLatin1(line.trimmed());
            continue;
        }
        withoutInvoiceKeys += line + '\n';
    }
    withoutInvoiceKeys.chop(1);
    EXPECT_EQ(withoutInvoiceKeys, before);
    QStringList expectedKeys;
    for (const QString &key : numbered(QStringLiteral("Reduced"), 1, 10))
        expectedKeys << key + QLatin1Char('='); // not stored: empty, read as unmarked
    expectedKeys << QStringLiteral("TaxRegNo=") << QStringLiteral("TaxReduced=8")
                 << QStringLiteral("TxDisp=0");
    EXPECT_EQ(invoiceKeys, expectedKeys);
}

TEST_F(Settings, FailedWriteLeavesTheWholeOperationUnapplied)
{
    NoteSettings s;
    s.E_CUS = QStringLiteral("前の客");
    writeDetailLines(ini, everyCellSet());
    writeShutdownSettings(ini, s);
    const QByteArray before = readBytes(ini);

    s = everyFieldSet();
    s.E_Rm[8] = QString(64 * 1024, QLatin1Char('x')); // the last remark no longer fits
    {
        FileSizeLimit full(static_cast<rlim_t>(before.size()) + 1024);
        EXPECT_THROW(writeShutdownSettings(ini, s), ProfileWriteError);
    }
    EXPECT_EQ(readBytes(ini), before) << "no key of the operation was written";
    EXPECT_EQ(readStartupSettings(ini).E_CUS, QStringLiteral("前の客"));

    // A path below a regular file can never be created, whoever runs the test.
    const QString blocked = ini + QStringLiteral("/Kanro_Vey_1.ini");
    EXPECT_THROW(writeDetailLines(blocked, everyCellSet()), ProfileWriteError);
    EXPECT_THROW(issueNextSlipNumber(blocked), ProfileWriteError);
    EXPECT_THROW(writeImeModes(blocked, 0, 0, 0), ProfileWriteError);
    EXPECT_THROW(writePrinterChoice(blocked, 1), ProfileWriteError);
    EXPECT_EQ(readBytes(ini), before);
}

} // namespace

TEST_F(Settings, FurtherRatesAndTaxInclusiveAreStoredOnlyWhenUsed)
{
    NoteSettings s;
    s.TaxRates = {{QDate(2027, 4, 1), QStringLiteral("10"), QStringLiteral("0")},
                  {QDate(2028, 1, 1), QStringLiteral("12"), QStringLiteral("8")}};
    s.TaxIncl = true;
    writeShutdownSettings(ini, s);
    EXPECT_EQ(readStartupSettings(ini), s);
    const ProfileFile file(ini);
    EXPECT_EQ(file.readString(QStringLiteral("Kn_Vey_1prn"), QStringLiteral("TaxRate3")),
              QStringLiteral("2027/04/01,10,0"));
    EXPECT_FALSE(file.hasKey(QStringLiteral("Kn_Vey_1prn"), QStringLiteral("TaxRate5")));

    // Removing the rows and the choice empties the keys already present.
    s.TaxRates.clear();
    s.TaxIncl = false;
    writeShutdownSettings(ini, s);
    EXPECT_EQ(readStartupSettings(ini), s);
    EXPECT_EQ(ProfileFile(ini).readString(QStringLiteral("Kn_Vey_1prn"), QStringLiteral("TaxIncl")),
              QStringLiteral("0"));
}

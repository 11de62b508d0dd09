// Order texts as operators paste them, run through the whole transfer. Rows
// marked "rules:" show results the fixed word lists give although an
// operator would want otherwise; they pin the rules, not a wish.
#include "transfer/Transfer.h"

#include "transfer/WorkMemoWrapper.h"

#include "printers.h"

#include <gtest/gtest.h>

namespace {

struct Outcome {
    QStringList memo;
    QString zip;
    QString add1;
    QString add2;
    QString custo1;
    QString tel;
};

struct Order {
    const char *name;
    QString text;
    Outcome expected;
};

QStringList seven(QStringList lines)
{
    while (lines.size() < kWorkingLines)
        lines.append(QString());
    return lines;
}

TEST(Orders, RealisticTexts)
{
    const Order orders[] = {
        {"shop-site form with labels",
         u"氏名：佐藤 一郎\n郵便番号：812-0011\n住所：福岡県福岡市博多区博多駅前3-2-1\n"
         u"電話番号：092-123-4567\n"_qs,
         {{u"佐藤 一郎"_qs, u"812-0011"_qs, u"福岡県福岡市博多区博多駅前3-2-1"_qs, u"092-123-4567"_qs},
          u"812-0011"_qs, u"福岡県福岡市博多区博多駅前3-2-1"_qs, QString(), u"佐藤 一郎"_qs,
          u"092-123-4567"_qs}},
        {"hand-typed note with blank lines and a prefecture line",
         u"\n  〒060-0001\n\n北海道\n札幌市中央区北一条西2丁目\n\n鈴木次郎\n011-222-3333\n"_qs,
         {{u"060-0001"_qs, u"北海道"_qs, u"札幌市中央区北一条西2丁目"_qs, u"鈴木次郎"_qs,
           u"011-222-3333"_qs},
          u"060-0001"_qs, u"北海道札幌市中央区北一条西2丁目"_qs, QString(), u"鈴木次郎"_qs,
          u"011-222-3333"_qs}},
        {"typed in full width",
         u"お名前：田中　美咲\r\n〒５３０－０００１\r\n大阪府大阪市北区梅田１－１－３\r\n"
         u"ＴＥＬ：０６－６３４５－６７８９"_qs,
         {{u"田中　美咲"_qs, u"530-0001"_qs, u"大阪府大阪市北区梅田１－１－３"_qs,
           u"０６－６３４５－６７８９"_qs},
          u"530-0001"_qs, u"大阪府大阪市北区梅田１－１－３"_qs, QString(), u"田中　美咲"_qs,
          u"06-6345-6789"_qs}},
        {"labels in kana with numbers",
         u"おなまえ　伊藤 健\nゆうびんばんごう 460-0008\nおところ１ 愛知県名古屋市中区栄3丁目\n"
         u"おところ２ メゾン栄 305号室\nおでんわ 052-111-2222"_qs,
         {{u"伊藤 健"_qs, u"460-0008"_qs, u"愛知県名古屋市中区栄3丁目"_qs, u"メゾン栄 305号室"_qs,
           u"052-111-2222"_qs},
          u"460-0008"_qs, u"愛知県名古屋市中区栄3丁目"_qs, u"メゾン栄 305号室"_qs, u"伊藤 健"_qs,
          u"052-111-2222"_qs}},
        {"gift order: the sender block past the seventh line is ignored",
         u"お届け先：\n〒604-8005\n京都府京都市中京区河原町通三条上る恵比須町427\n木村 拓也 様\n"
         u"075-123-4567\nご依頼主：\n〒100-0001\n東京都千代田区千代田1-1\n木村 花子\n03-3333-4444"_qs,
         {{QString(), u"604-8005"_qs, u"京都府京都市中京区河原町通三条上る恵比須町427"_qs,
           u"木村 拓也"_qs, u"075-123-4567"_qs, u"ご依頼主"_qs, u"100-0001"_qs},
          u"604-8005"_qs, u"京都府京都市中京区河原町通三条上る恵比須町427"_qs, QString(),
          u"木村 拓也"_qs, u"075-123-4567"_qs}},
        {"company and contact with web and mail lines; rules: FAX on the telephone line splits it",
         u"株式会社サンプル 御中\nご担当：高橋様\n〒100-0005 東京都千代田区丸の内1-9-1\n"
         u"TEL 03-5555-1234 / FAX 03-5555-1235\nhttps://www.sample.co.jp\ninfo@sample.co.jp"_qs,
         {{u"株式会社サンプル 御中"_qs, u"ご担当高橋"_qs, u"100-0005"_qs, u"03-5555-"_qs,
           u" 東京都千代田区丸の内1-9-1"_qs, u"1234 / FAX 03-5555-1235"_qs},
          u"100-0005"_qs, u"東京都千代田区丸の内1-9-1"_qs, u"1234 / FAX 03-5555-1235"_qs,
          u"株式会社サンプル 御中"_qs, QString()}},
        {"rules: a mobile number behind an unknown label is an address line",
         u"送り先\n〒９８０－８５７０\n宮城県\n仙台市青葉区本町３丁目８－１\n渡辺　様\n"
         u"携帯：０８０－１２３４－５６７８"_qs,
         {{QString(), u"980-8570"_qs, u"宮城県"_qs, u"仙台市青葉区本町３丁目８－１"_qs, u"渡辺"_qs,
           u"携帯０８０－１２３４－５６７８"_qs},
          u"980-8570"_qs, u"宮城県仙台市青葉区本町３丁目８－１"_qs,
          u"携帯０８０－１２３４－５６７８"_qs, u"渡辺"_qs, QString()}},
        {"rules: an order header takes the name slot and the order number an address slot",
         u"【ご注文確認】\nご注文番号：123-4567890-1234567\nお届け先：〒150-0002\n"
         u"東京都渋谷区渋谷2-21-1 渋谷ヒカリエ8F\n山田 花子 様\n電話番号：090-1111-2222\n"
         u"メール：hanako@example.co.jp"_qs,
         {{u"【ご注文確認】"_qs, u"ご注文番号123-4567890-1234567"_qs, u"150-0002"_qs,
           u"東京都渋谷区渋谷2-21-1 渋谷ヒカリエ8F"_qs, u"山田 花子"_qs, u"090-1111-2222"_qs},
          u"150-0002"_qs, u"ご注文番号123-4567890-1234567"_qs,
          u"東京都渋谷区渋谷2-21-1 渋谷ヒカリエ8F"_qs, u"【ご注文確認】"_qs, u"090-1111-2222"_qs}},
        {"rules: seven bare digits are no postal code and a bracket remnant is a name",
         u"[送付先]\n〒1500002 東京都渋谷区渋谷2-24-12\n渋谷スクランブルスクエア 12階\n小林 大輔 様\n"
         u"TEL:0312345678"_qs,
         {{u"[]"_qs, u"1500002 東京都渋谷区渋谷2-24-12"_qs, u"渋谷スクランブルスクエア 12階"_qs,
           u"小林 大輔"_qs, u"0312345678"_qs},
          QString(), u"1500002 東京都渋谷区渋谷2-24-12"_qs, u"渋谷スクランブルスクエア 12階"_qs,
          u"[]"_qs, u"0312345678"_qs}},
        {"company name line before the contact takes the name slot",
         u"〒530-0011\n大阪府大阪市北区大深町4-20\nグランフロント大阪タワーA 15F\n株式会社見本 総務部\n"
         u"中村様\n06-1234-5678"_qs,
         {{u"530-0011"_qs, u"大阪府大阪市北区大深町4-20"_qs, u"グランフロント大阪タワーA 15F"_qs,
           u"株式会社見本 総務部"_qs, u"中村"_qs, u"06-1234-5678"_qs},
          u"530-0011"_qs, u"大阪府大阪市北区大深町4-20"_qs, u"グランフロント大阪タワーA 15F"_qs,
          u"株式会社見本 総務部"_qs, u"06-1234-5678"_qs}},
        {"rules: English labels stay in the lines",
         u"Name: John Smith\nZip: 106-0032\nAddress: 6-10-1 Roppongi, Minato-ku, Tokyo\n"
         u"Tel: +81-3-1234-5678\nEmail: john@example.net"_qs,
         {{u"Name John Smith"_qs, u"Zip 106-0032"_qs, u"Address 6-10-1 Roppongi, Minato-ku, Tokyo"_qs,
           u"+81-3-1234-5678"_qs},
          QString(), u"Zip 106-0032"_qs, u"Address 6-10-1 Roppongi, Minato-ku, Tokyo"_qs,
          u"Name John Smith"_qs, u"+81-3-1234-5678"_qs}},
        {"rules: the split-off street lands after the building line",
         u"〒２２０－００１２　神奈川県横浜市西区みなとみらい２－２－１\nランドマークタワー　１０Ｆ\n"
         u"加藤　様\n045-222-3333"_qs,
         {{u"220-0012"_qs, u"ランドマークタワー　１０Ｆ"_qs, u"加藤"_qs, u"045-222-3333"_qs,
           u" 神奈川県横浜市西区みなとみらい2-2-1"_qs},
          u"220-0012"_qs, u"ランドマークタワー　１０Ｆ"_qs, u"神奈川県横浜市西区みなとみらい2-2-1"_qs,
          u"加藤"_qs, u"045-222-3333"_qs}},
        {"tab-separated spreadsheet row pasted as lines",
         u"\t山本 翔太\t\n\t〒003-0022\t\n\t北海道札幌市白石区南郷通1丁目\t\n\t011-861-0000\t"_qs,
         {{u"山本 翔太"_qs, u"003-0022"_qs, u"北海道札幌市白石区南郷通1丁目"_qs, u"011-861-0000"_qs},
          u"003-0022"_qs, u"北海道札幌市白石区南郷通1丁目"_qs, QString(), u"山本 翔太"_qs,
          u"011-861-0000"_qs}},
    };
    const LineWrapper wrap = fixedWidthWrapper(kWorkMemoTextWidth, 6, 11);
    for (const Order &o : orders) {
        SCOPED_TRACE(o.name);
        const TransferResult r = runTransferOnText(o.text, wrap);
        EXPECT_FALSE(r.nothingToTransfer);
        EXPECT_EQ(r.memoLines, seven(o.expected.memo));
        EXPECT_EQ(r.zip, o.expected.zip);
        EXPECT_EQ(r.add1, o.expected.add1);
        EXPECT_EQ(r.add2, o.expected.add2);
        EXPECT_EQ(r.custo1, o.expected.custo1);
        EXPECT_EQ(r.tel, o.expected.tel);
    }
}

} // namespace

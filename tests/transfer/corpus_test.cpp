// The order corpus (tests/transfer/corpus/*.txt: an order text, then
// "=== expected" and the destination fields) through the dictionary transfer,
// graded field by field. A text counts as printable when all five fields come
// out as expected, so the operator need not edit anything.
#include "CorpusFile.h"
#include "printers.h"
#include "transfer/DictionaryTransfer.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// The shop of the corpus: its signature stands in the mails' footers.
const QStringList kShop = {
    u"有限会社かんろ茶舗"_qs,
    u"〒420-0031 静岡県静岡市葵区呉服町2-3-5"_qs,
    u"TEL 054-255-1234 FAX 054-255-1235"_qs,
};

// Reached when the corpus was written: 47 of 47. One text in twenty may
// regress before the test fails (45 of 47 still pass).
constexpr double kMinimumPrintableShare = 0.95;

// The order mails: 31 of 46 when first graded, before any rule was changed
// for them; 46 of 46 since. The forty more (47-86), written by someone who
// never saw the rules: 21 of 40 graded blind (zip 38, add1 33, add2 30,
// custo1 23, tel 39), 40 of 40 after the rules for blanks, HTML, addresses
// over several lines and names were changed, so 86 of 86. One mail in twenty
// may regress before the test fails (82 of 86 still pass).
constexpr double kMinimumOrderMailShare = 0.95;

// Grades every *.txt of dir: its "zip=", "add1=", "add2=", "custo1=" and
// "tel=" lines against the transfer, printing each field that differs.
// Returns the share of texts with all five fields right.
double printableShare(const PostalDictionary *dict, const QString &path)
{
    const QDir dir(path);
    const QStringList files = dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    EXPECT_GE(files.size(), 40);
    if (files.isEmpty())
        return 0;
    const char *const names[] = {"zip", "add1", "add2", "custo1", "tel"};
    int printable = 0;
    int fieldsRight[5] = {};
    for (const QString &name : files) {
        const auto file = readCorpusFile(dir.filePath(name));
        EXPECT_TRUE(file) << name.toStdString();
        if (!file)
            continue;
        QStringList expected(5);
        for (const QString &line : file->expected) {
            for (int f = 0; f < 5; ++f)
                if (line.startsWith(QLatin1String(names[f]) + u'='))
                    expected[f] = line.mid(qsizetype(strlen(names[f])) + 1);
        }
        const DictionaryTransferResult r = runDictionaryTransfer(file->text, kShop, dict);
        const QStringList got = {r.fields.zip, r.fields.add1, r.fields.add2, r.fields.custo1,
                                 r.fields.tel};
        bool allRight = true;
        for (int f = 0; f < 5; ++f) {
            if (got[f] == expected[f]) {
                ++fieldsRight[f];
            } else {
                allRight = false;
                std::cout << name.toStdString() << " " << names[f] << ": got \""
                          << got[f].toStdString() << "\", expected \"" << expected[f].toStdString()
                          << "\"\n";
            }
        }
        printable += allRight ? 1 : 0;
    }
    const auto total = files.size();
    std::cout << "printable without editing: " << printable << " of " << total << "\n";
    for (int f = 0; f < 5; ++f)
        std::cout << "  " << names[f] << " right: " << fieldsRight[f] << " of " << total << "\n";
    return double(printable) / double(total);
}

std::shared_ptr<const PostalDictionary> dictionary()
{
    QString error;
    auto dict = PostalDictionary::load(QStringLiteral(KANRO_POSTAL_DICT_FILE), &error);
    EXPECT_TRUE(dict) << error.toStdString();
    return dict;
}

TEST(OrderCorpus, DestinationFieldsByDictionary)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    EXPECT_GE(printableShare(dict.get(), QStringLiteral(KANRO_ORDER_CORPUS)),
              kMinimumPrintableShare);
}

// The order mails written for the item rows (tests/transfer/orders), their
// destinations decided by reading each mail ("=== destination" block): a
// sample the transfer's rules were not tuned on.
TEST(OrderCorpus, DestinationFieldsOfOrderMails)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    EXPECT_GE(printableShare(dict.get(), QStringLiteral(KANRO_ORDER_LINES_CORPUS)),
              kMinimumOrderMailShare);
}

// Forty mails of another writer (tests/transfer/unseen), kept apart and
// graded only after the rules were done for the mails above: 15 of 40
// printable before them, 21 of 40 after; one writing they disagreed on was
// then settled (大字 stays in the first address line as written; three
// writers of the five below wrote it the other way, as Japan Post names the
// town, and the rule and these mails were changed to that): 25 of 40
// (zip 37, add1 34, add2 32, custo1 29, tel 39). These mails were then used
// to widen the rules, each failure read for the writing habit behind it (a
// foreign cart's commas and ISO prefecture code, readings without brackets,
// the shop or clinic of a person in charge, chats bubble by bubble, notes
// and sentences around the address, a reply completing the quoted address),
// each habit with its own row in DestinationWritings: 40 of 40 since. Other
// writings of the same habits, invented as rows there, widened the rules
// again. The mails are no longer unseen, so the figure says little about
// mails to come; the floor keeps what was reached, one mail in twenty may
// regress (38 of 40).
TEST(OrderCorpus, DestinationFieldsOfUnseenMails)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    EXPECT_GE(printableShare(dict.get(), QStringLiteral(KANRO_UNSEEN_CORPUS)), 38.0 / 40);
}

// A hundred and fifty mails of five more writers (tests/transfer/writers,
// c1- to c5-), each writing thirty without seeing the rules or the others.
// Graded blind on arrival: c1 22, c2 24 of 30 printable. c1, c2 and c4 were
// then used to widen the rules; c3 and c5 were graded blind once more at the
// end of that work (29 and 28 of 30, 57 of 60) and then read as well. The
// floor was the figure then reached, 137 of 150, less three. 145 since the
// habits read in two more writers' mails (staff memos, chat exports, carts),
// each with its row in DestinationWritings. With c6 to c13 (240 mails more,
// the destination read blind on arrival: c6 29, c7 23, c9 23, c11 25, c12
// 27, c13 27 of 30, and the held-back c8 25, c10 28): 360 of 390; the floor
// is that less three.
TEST(OrderCorpus, DestinationFieldsOfFiveWriters)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    EXPECT_GE(printableShare(dict.get(), QStringLiteral(KANRO_WRITERS_CORPUS)), 357.0 / 390);
}

// What follows the 番地 on the address line, in the cases neither corpus has.
TEST(OrderCorpus, WordsAfterTheStreetNumber)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    struct Row
    {
        const char *name, *text, *add2, *custo1, *tel;
    } const rows[] = {
        {"building and telephone",
         "〒154-0024 東京都世田谷区三軒茶屋2-11-8 サンハイツ305 090-1111-2222\n山田 太郎",
         "2-11-8 サンハイツ305", "山田 太郎", "090-1111-2222"},
        {"building with the name on its own line",
         "お名前：山田 太郎 様\n住所：東京都世田谷区三軒茶屋2-11-8 グリーンパーク\n"
         "電話番号：090-1111-2222",
         "2-11-8 グリーンパーク", "山田 太郎", "090-1111-2222"},
    };
    for (const Row &row : rows) {
        const DictionaryTransferResult r =
            runDictionaryTransfer(QString::fromUtf8(row.text), kShop, dict.get());
        EXPECT_EQ(r.fields.add1, u"東京都世田谷区三軒茶屋"_qs) << row.name;
        EXPECT_EQ(r.fields.add2, QString::fromUtf8(row.add2)) << row.name;
        EXPECT_EQ(r.fields.custo1, QString::fromUtf8(row.custo1)) << row.name;
        EXPECT_EQ(r.fields.tel, QString::fromUtf8(row.tel)) << row.name;
    }
}

// One row for each way a destination is written that the corpora hold once or
// twice: the fields each must give.
TEST(OrderCorpus, DestinationWritings)
{
    const auto dict = dictionary();
    ASSERT_TRUE(dict);
    struct Row
    {
        const char *name, *text, *zip, *add1, *add2, *custo1, *tel;
    } const rows[] = {
        {"a form's blank postal code; the address on the next line",
         "【お届け先】\nお名前：　林　勝也\nご住所：〒　　　－\n　　　　岐阜県高山市吹屋町３番地１"
         "０\n"
         "TEL：0577-32-8806　　FAX：",
         "506-0831", "岐阜県高山市吹屋町", "3番地10", "林 勝也", "0577-32-8806"},
        {"the written code's town over a longer name; 字 goes; 2線 keeps its number",
         "【お届け先】\nお名前：佐藤 "
         "聡\n郵便番号：080-1205\n住所：北海道河東郡士幌町字士幌西２線１６７番地",
         "080-1205", "北海道河東郡士幌町士幌", "西2線167番地", "佐藤 聡", ""},
        {"a changed destination in a reply",
         "注文後に気づいたのですが、お届け先を変更していただけますか。\n新しいお届け先：\n"
         "　〒965-0012\n　福島県会津若松市居合町１５－２０\n　遠藤 キヨ\n　電話 0242-27-3350\n"
         "遠藤 里美",
         "965-0012", "福島県会津若松市居合町", "15-20", "遠藤 キヨ", "0242-27-3350"},
        {"same as above with a remark; a note on the tax below the items names nobody",
         "貴社名　　　旅館やまゆり\nご担当者　　菊池 "
         "理恵\nご住所　　　〒325-0301　栃木県那須郡那須町湯本206-3\n"
         "TEL　0287-76-3318　／　FAX　0287-76-"
         "3319\n\nお届け先：上記に同じ（裏口へお願いします）\n\n"
         "業務用 煎茶 1kg　（軽）　2袋　4,800　9,600\n（軽）は軽減税率対象",
         "325-0301", "栃木県那須郡那須町湯本", "206-3", "旅館やまゆり 菊池 理恵", "0287-76-3318"},
        {"a chat copied with blanks for tabs",
         "19:02 小谷 浩之 こんばんは。詰合せを注文したいです\n19:31 かんろ茶舗 小谷様 "
         "ありがとうございます\n"
         "19:40 小谷 浩之 〒689-3333 鳥取県西伯郡大山町唐王 781-2\n19:40 小谷 浩之 小谷 浩之\n"
         "19:41 小谷 浩之 090-6235-1148 です。",
         "689-3333", "鳥取県西伯郡大山町唐王", "781-2", "小谷 浩之", "090-6235-1148"},
        {"which of the customer's places, then the place",
         "届け先：会社\n　〒225-0002 横浜市青葉区美しが丘2-14-3 青葉ビル4F\n"
         "　株式会社青葉メディカル　総務部　内田 かおり 様\n　TEL 045-901-2231",
         "225-0002", "神奈川県横浜市青葉区美しが丘", "2-14-3 青葉ビル4F",
         "株式会社青葉メディカル 総務部 内田 かおり", "045-901-2231"},
        {"item labels repeated line after line are no chat's sender",
         "商品名：煎茶 1\n単価：1,000円\n数量：1\n\n商品名：煎茶 2\n単価：1,000円\n数量：1\n\n"
         "商品名：煎茶 3\n単価：1,000円\n数量：1\n\n合計：3,000円（税込）",
         "", "", "", "", ""},
        {"the orderer's own home",
         "【ご注文者】\nお名前：中川 義男\n〒857-0022 長崎県佐世保市山手町7-19\n"
         "電話：0956-22-5317\n【お届け先】\nご本人宅",
         "857-0022", "長崎県佐世保市山手町", "7-19", "中川 義男", "0956-22-5317"},
        {"html source",
         "<p><b>■お届け先</b><br>〒150-0001&nbsp;東京都渋谷区神宮前1-2-3&nbsp;神宮前ハイツ&nbsp;201"
         "<br>山田&nbsp;太郎&nbsp;様<br>TEL：03-3401-1111</p>",
         "150-0001", "東京都渋谷区神宮前", "1-2-3 神宮前ハイツ 201", "山田 太郎", "03-3401-1111"},
        {"full-width blanks and a tab in name and building",
         "お届け先\n〒460-0003\n愛知県名古屋市中区錦3-4-5　　錦パークビル\t8階\n"
         "株式会社みどり商会　総務部　加藤　恵\n052-951-2222",
         "460-0003", "愛知県名古屋市中区錦", "3-4-5 錦パークビル 8階",
         "株式会社みどり商会 総務部 加藤 恵", "052-951-2222"},
        {"town on the line after the city",
         "【送付先】\n佐野 健二 様\n〒154-0024\n東京都 世田谷区\n三軒茶屋2-11-8\nコーポ三茶 102\n"
         "090-1234-5678",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 コーポ三茶 102", "佐野 健二",
         "090-1234-5678"},
        {"prefecture, city and town on lines of their own, 条 in digits",
         "お届け先:\n高橋 由美 様\n〒060-0063\n北海道\n札幌市中央区\n南3条西7丁目3-12\n",
         "060-0063", "北海道札幌市中央区南三条西", "7丁目3-12", "高橋 由美", ""},
        {"foreign cart: street first, country last, name after",
         "Shipping address\n配送先住所\n一番町2-5-1 ライオンズ一番町 305\n仙台市青葉区\n宮城県\n"
         "980-0811\n日本\n千葉 真理\n022-266-1234\n配送方法\n通常配送",
         "980-0811", "宮城県仙台市青葉区一番町", "2-5-1 ライオンズ一番町 305", "千葉 真理",
         "022-266-1234"},
        {"destination the same as the orderer",
         "■ご注文者\nお名前：中村 聡子\n〒810-0001\nご住所：福岡県福岡市中央区天神2-8-1\n"
         "お電話番号：092-711-2222\n■お届け先\nお名前：同上\nご住所：同上\n",
         "810-0001", "福岡県福岡市中央区天神", "2-8-1", "中村 聡子", "092-711-2222"},
        {"spreadsheet row with the orderer's word before a tab",
         "注文日\t2025/03/01\n発注者\t梅田歯科クリニック 院長 森 弘\n〒\t530-0001\n"
         "住所\t大阪府大阪市北区梅田1-3-1\nTEL\t06-6341-0000\nFAX\t06-6341-0001",
         "530-0001", "大阪府大阪市北区梅田", "1-3-1", "梅田歯科クリニック 院長 森 弘",
         "06-6341-0000"},
        {"form title, company, department and the person in charge",
         "　　　注　文　書\n株式会社みなと物産\n神戸支店　営業課\n〒651-0087 "
         "兵庫県神戸市中央区御幸通8-1-6\n"
         "TEL 078-231-0000　FAX 078-231-0001\n担当：坂本 直人\n",
         "651-0087", "兵庫県神戸市中央区御幸通", "8-1-6",
         "株式会社みなと物産 神戸支店 営業課 坂本 直人", "078-231-0000"},
        {"name printed on the gift is no name of the destination",
         "■お届け先\n〒150-0001 東京都渋谷区神宮前4-1-1\n石川 直美 様\nTEL 03-3401-2222\n"
         "■品物\n名入れ：株式会社ひかり工業 一同\nのし名：株式会社ひかり工業\n━━━━━━━━━━\n"
         "株式会社ひかり工業　人事部\n",
         "150-0001", "東京都渋谷区神宮前", "4-1-1", "石川 直美", "03-3401-2222"},
        {"recipient's labels with the postal code in brackets and an empty telephone",
         "受取人名: 小川 舞\n受取人住所: (〒460-0003) 愛知県名古屋市中区錦1-2-3 錦レジデンス 1204\n"
         "受取人電話番号: -\n受取人携帯電話: 080-5555-6666\n",
         "460-0003", "愛知県名古屋市中区錦", "1-2-3 錦レジデンス 1204", "小川 舞", "080-5555-6666"},
        {"all in sentences",
         "名前は村上 沙織です。\n送り先は 福岡市中央区天神1-10-20 天神ビル 5F です。\n"
         "郵便番号は810-0001、電話は092-721-3333 です。",
         "810-0001", "福岡県福岡市中央区天神", "1-10-20 天神ビル 5F", "村上 沙織", "092-721-3333"},
        {"surname after the label, the full name below",
         "お客様：岡田様（お電話で）\nオカダ ユウコ\n岡田 裕子\nTEL 022-266-3333\n"
         "住所 仙台市青葉区一番町1-1-1",
         "980-0811", "宮城県仙台市青葉区一番町", "1-1-1", "岡田 裕子", "022-266-3333"},
        {"inn's name above the person",
         "◆お届け先\n　民宿 しおさい\n　山口 和夫（ヤマグチ カズオ）様\n　〒530-0001\n"
         "　大阪府大阪市北区梅田3-1-1\n　TEL 06-6345-1111\n",
         "530-0001", "大阪府大阪市北区梅田", "3-1-1", "民宿 しおさい 山口 和夫", "06-6345-1111"},
        {"gift whose destination gives no telephone: not the orderer's",
         "【ご注文者】\nお名前：坂口 誠 様\n住所：〒460-0003 愛知県名古屋市中区錦2-1-1\n"
         "電話：052-111-2222\n【お届け先】\nお名前：坂口 美代子 様\n"
         "住所：〒810-0001 福岡県福岡市中央区天神4-5-6\n",
         "810-0001", "福岡県福岡市中央区天神", "4-5-6", "坂口 美代子", ""},
        {"building, name and telephone on the address line",
         "送付先：〒150-0001 東京都渋谷区神宮前3-7-5 青山マンション203 石田 恭子様 TEL "
         "03-5775-1212",
         "150-0001", "東京都渋谷区神宮前", "3-7-5 青山マンション203", "石田 恭子", "03-5775-1212"},
        {"a chat: the name by the address, not the first words",
         "LINEより\nこんにちは！新茶を1つお願いします\n北海道上川郡美瑛町新区画12-3\n071-0233\n"
         "斉藤みゆき\n0166-92-1234",
         "071-0233", "北海道上川郡美瑛町新区画", "12-3", "斉藤みゆき", "0166-92-1234"},
        {"labels spaced out to one width",
         "お　名　前：　大塚　正和\nご　住　所：　〒３３０－００６３　埼玉県さいたま市浦和区高砂２"
         "－１４－５\n"
         "電　　　話：　０４８－８２２－１２３４",
         "330-0063", "埼玉県さいたま市浦和区高砂", "2-14-5", "大塚 正和", "048-822-1234"},
        {"company 御中 with the person in charge",
         "【納品先】\n〒920-0961\n石川県金沢市香林坊1丁目2番3号 香林坊ビル3F\n株式会社北陸フーズ "
         "御中\n"
         "ご担当：宮本様\nTEL：076-231-5555",
         "920-0961", "石川県金沢市香林坊", "1丁目2番3号 香林坊ビル3F", "株式会社北陸フーズ 宮本",
         "076-231-5555"},
        {"a school named after its city, honoured with 殿",
         "送付先\n〒920-0961　石川県金沢市香林坊3丁目4番5号\n金沢市立香林坊小学校　校長　中川 博 "
         "殿\n"
         "ＴＥＬ　０７６－２２１－８８８８",
         "920-0961", "石川県金沢市香林坊", "3丁目4番5号", "金沢市立香林坊小学校 校長 中川 博",
         "076-221-8888"},
        {"telephone after the surname, full name on a later label",
         "電話注文　5/2　受付：田中\nお客様　井口様　090-6666-1234\n"
         "住所　千葉市稲毛区小仲台7-8-9　コーポ小仲台105\n名前　井口 さやか 宛\n",
         "263-0043", "千葉県千葉市稲毛区小仲台", "7-8-9 コーポ小仲台105", "井口 さやか",
         "090-6666-1234"},
        {"a table drawn with rules and bars",
         "■お届け先\n+--------+------------------+\n| お名前 | 川口 直美 様 |\n"
         "+--------+------------------+\n| 郵便番号 | 330-0063 |\n+--------+------------------+\n"
         "| ご住所 | 埼玉県さいたま市浦和区高砂5-6-7 |\n+--------+------------------+\n"
         "| 電話番号 | 048-861-2222 |\n+--------+------------------+\n",
         "330-0063", "埼玉県さいたま市浦和区高砂", "5-6-7", "川口 直美", "048-861-2222"},
        {"address in labelled parts",
         "【お届け先】\nお名前：菅原 "
         "里美\n郵便番号：154-0024\n都道府県：東京都\n市区町村：世田谷区\n"
         "番地：三軒茶屋2-11-8\n建物名・部屋番号：サンハイツ305\n電話番号：03-3333-4444",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 サンハイツ305", "菅原 里美", "03-3333-4444"},
        {"address lines 1 to 3, the first ending at the city",
         "配送先\n氏名　　：　安田　光\n〒　　　：　920-0961\n住所1　：　石川県金沢市\n"
         "住所2　：　香林坊2丁目7-1\n住所3　：　香林坊レジデンス 404\n電話　　：　076-260-1111",
         "920-0961", "石川県金沢市香林坊", "2丁目7-1 香林坊レジデンス 404", "安田 光",
         "076-260-1111"},
        {"English labels of an overseas cart",
         "Ship to:\nName: 石原 恵\nPostal code: 231-0023\n"
         "Address: 神奈川県横浜市中区山下町88-1 山下パークサイド 1203\nPhone: 090-7777-8888",
         "231-0023", "神奈川県横浜市中区山下町", "88-1 山下パークサイド 1203", "石原 恵",
         "090-7777-8888"},
        {"family and given name asked apart",
         "■お届け先\nお名前（姓）：福田\nお名前（名）：亜紀\nフリガナ（セイ）：フクダ\n"
         "郵便番号：263-0043\n住所：千葉県千葉市稲毛区小仲台9-9-9\n電話番号：043-290-1234",
         "263-0043", "千葉県千葉市稲毛区小仲台", "9-9-9", "福田 亜紀", "043-290-1234"},
        {"a chat's saved history, each line after its time and sender",
         "[LINE] トーク履歴\n2025/06/01(日)\n10:02\t石井 美穂\t玄米茶を3つお願いします\n"
         "10:03\tかんろ茶舗\tお届け先を教えてください。\n"
         "10:05\t石井 美穂\t〒263-0043 千葉市稲毛区小仲台4-12-1 石井です\n"
         "10:05\t石井 美穂\t電話は090-2468-1357です",
         "263-0043", "千葉県千葉市稲毛区小仲台", "4-12-1", "石井 美穂", "090-2468-1357"},
        {"大字 before the town; a villa's name between the address and the person",
         "送り先\n〒389-0102 長野県北佐久郡軽井沢町大字軽井沢1323-45\n別荘 しらかば荘\n佐伯 達也 "
         "様\n"
         "0267-42-0000",
         "389-0102", "長野県北佐久郡軽井沢町軽井沢", "1323-45", "別荘 しらかば荘 佐伯 達也",
         "0267-42-0000"},
        {"a building without a room number between the address and the person",
         "お届け先\n〒154-0024\n東京都世田谷区三軒茶屋2-11-8\nグランシャリオ三軒茶屋\n松下 亮 様\n"
         "TEL 03-3419-0000",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 グランシャリオ三軒茶屋", "松下 亮",
         "03-3419-0000"},
        {"a shop between the address and the person",
         "お届け先\n〒920-0961\n石川県金沢市香林坊2-1-1\n喫茶こもれび\n沢田 純 様\nTEL "
         "076-221-0000",
         "920-0961", "石川県金沢市香林坊", "2-1-1", "喫茶こもれび 沢田 純", "076-221-0000"},
        {"an auction's winner, the goods to 宛先",
         "落札者情報\n氏名：安藤 健\n〒920-0961 "
         "石川県金沢市香林坊1-5-5\n電話：076-200-1111\n宛先：\n"
         "〒231-0023 神奈川県横浜市中区山下町10-1 山下ハイム 303\n安藤 美紀 様\n電話：045-222-0101",
         "231-0023", "神奈川県横浜市中区山下町", "10-1 山下ハイム 303", "安藤 美紀",
         "045-222-0101"},
        {"the sender's signature gives the telephone of the same person",
         "以下の通り注文します。\n【お届け先】\n〒231-0023 神奈川県横浜市中区山下町5-5\n菊地 "
         "真由美\n"
         "以上よろしくお願いします。\n――――――――――――\n菊地 真由美\nTEL 090-3030-4040",
         "231-0023", "神奈川県横浜市中区山下町", "5-5", "菊地 真由美", "090-3030-4040"},
        {"the name before the postal code on the same line",
         "また同じものをお願いします。\n送り先：杉山 聡子 〒920-0961 "
         "石川県金沢市香林坊4-4-4\n090-8080-7070",
         "920-0961", "石川県金沢市香林坊", "4-4-4", "杉山 聡子", "090-8080-7070"},
        {"a medical corporation, its clinic and the person",
         "【納品先】\n〒330-0063 埼玉県さいたま市浦和区高砂6-6-6\n医療法人社団 あおば会\n"
         "あおば内科クリニック\n事務長 村井 健 様\nTEL 048-833-9999",
         "330-0063", "埼玉県さいたま市浦和区高砂", "6-6-6",
         "医療法人社団 あおば会 あおば内科クリニック 事務長 村井 健", "048-833-9999"},
        {"street and building above a line of city, prefecture and postal code",
         "配送先住所\n森田 奈々\n株式会社グリーンリーフ\n三軒茶屋1-22-3\n三茶プラザ 6F\n"
         "世田谷区 東京都 154-0024\n日本\n+81 90-8765-4321\n",
         "154-0024", "東京都世田谷区三軒茶屋", "1-22-3 三茶プラザ 6F",
         "株式会社グリーンリーフ 森田 奈々", "090-8765-4321"},
        {"a foreign cart's commas and the prefecture as an ISO code",
         "配送先住所\n森田 奈々\n梅田3-1-1 梅田テラス 804\n大阪市北区, JP-27 530-0001\n日本\n",
         "530-0001", "大阪府大阪市北区梅田", "3-1-1 梅田テラス 804", "森田 奈々", ""},
        {"city and prefecture with a comma, the postal code after them",
         "お届け先:\n森田 奈々\n三軒茶屋1-22-3\n世田谷区, 東京都 154-0024\nJapan\n", "154-0024",
         "東京都世田谷区三軒茶屋", "1-22-3", "森田 奈々", ""},
        {"the reading of the recipient's name under a label of its own",
         "受取人名：比嘉 さくら\n受取人名(フリガナ)：ヒガ サクラ\n郵便番号：530-0001\n"
         "住所：大阪府大阪市北区梅田1-1-1",
         "530-0001", "大阪府大阪市北区梅田", "1-1-1", "比嘉 さくら", ""},
        {"the reading in a cell of its own after the name",
         "送付先情報\n氏名\t玉井 恵\tタマイ メグミ\n住所\t〒530-0001\t大阪府 大阪市北区 梅田 2-2\n",
         "530-0001", "大阪府大阪市北区梅田", "2-2", "玉井 恵", ""},
        {"the reading word for word after the name",
         "お届け先\n玉井 恵 タマイ メグミ\n〒530-0001 大阪府大阪市北区梅田2-2\n", "530-0001",
         "大阪府大阪市北区梅田", "2-2", "玉井 恵", ""},
        {"a destination numbered in brackets after the orderer",
         "■ご注文者\n氏名：中西 千晴 様\n住所：〒530-0001 大阪府大阪市北区梅田1-1-1\n"
         "■お届け先 [1]\n氏名：中西 恭一 様\n住所：〒154-0024 東京都世田谷区三軒茶屋3-3-3\n",
         "154-0024", "東京都世田谷区三軒茶屋", "3-3-3", "中西 恭一", ""},
        {"a label for a company or a group",
         "【会社名・団体名】 書道教室 青雲\n【お名前】 森 加奈\n【郵便番号】 980-0811\n"
         "【住所】 宮城県仙台市青葉区一番町1-2-3\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-2-3", "書道教室 青雲 森 加奈", ""},
        {"a fax's sender: the inn, its address and the person in charge",
         "発信元：民宿みなと\n〒231-0023 神奈川県横浜市中区山下町3-3\nTEL：045-201-3333\n"
         "担当：港 洋平\n下記の通り注文いたします。\n",
         "231-0023", "神奈川県横浜市中区山下町", "3-3", "民宿みなと 港 洋平", "045-201-3333"},
        {"a café above its person in charge",
         "■納品先\n〒920-0961\n石川県金沢市香林坊2-2-2 香林坊テラス1F\nカフェ白鷺（しらさぎ）\n"
         "担当：白井 葵\nTEL：076-221-4444 ／ FAX：076-221-4445\n",
         "920-0961", "石川県金沢市香林坊", "2-2-2 香林坊テラス1F", "カフェ白鷺 白井 葵",
         "076-221-4444"},
        {"a clinic above the person in a signature",
         "納品先は院の住所でお願いします。\n-----\nさくら接骨院\n桜井 大地\n"
         "〒810-0001 福岡市中央区天神3-3-3\nTEL 092-711-3333\n-----\n",
         "810-0001", "福岡県福岡市中央区天神", "3-3-3", "さくら接骨院 桜井 大地", "092-711-3333"},
        {"a sentence about the address that does not give it; signed with the surname",
         "住所は前と同じですが、念のため書いておきます。\n〒263-0043 千葉市稲毛区小仲台5-5　"
         "土井 和美\n電話 043-290-5555\n土井",
         "263-0043", "千葉県千葉市稲毛区小仲台", "5-5", "土井 和美", "043-290-5555"},
        {"a note after the honoured name",
         "【お届け先】\n〒330-0063 埼玉県さいたま市浦和区高砂4-4\n大西 早紀 様（妻の姉です）\n"
         "【品物】\n煎茶 100g 1袋\n",
         "330-0063", "埼玉県さいたま市浦和区高砂", "4-4", "大西 早紀", ""},
        {"a phone memo: the customer known by their town, the address straight after",
         "TEL受注 5/2 10:10 受:田中\n小仲台の井上様（常連）千葉市稲毛区小仲台3丁目2-1\n"
         "043-251-0000\n玄米茶 ×1\n",
         "263-0043", "千葉県千葉市稲毛区小仲台", "3丁目2-1", "井上", "043-251-0000"},
        {"a chat copied bubble by bubble, the writer naming herself",
         "さくら\nこんにちは、煎茶を2つ欲しいです\nかんろ茶舗\nお届け先を教えていただけますか？\n"
         "さくら\n宮城県仙台市青葉区一番町2-2-2\nさくら\n一番町ハイツ 203\nさくら\n"
         "佐倉 真央です\nさくら\n電話は090-1357-2468です\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-2-2 一番町ハイツ 203", "佐倉 真央",
         "090-1357-2468"},
        {"a reply adding the building the quoted address left out",
         "住所に部屋番号が抜けていました。\n正しくは「仙台市青葉区一番町4-4 一番町コーポ "
         "105号室」です。\n"
         "原 由紀\n\n> ■ご注文者\n> 原 由紀 様\n> 〒980-0811 宮城県仙台市青葉区一番町4-4\n"
         "> TEL：022-222-0000\n> ■お届け先\n> ご注文者と同じ\n",
         "980-0811", "宮城県仙台市青葉区一番町", "4-4 一番町コーポ 105号室", "原 由紀",
         "022-222-0000"},
        {"the street number before the town, as a foreign form writes it",
         "Shipping address\n松井 亜希子\n3-2-1 一番町 一番町レジデンス 501\n仙台市青葉区 宮城県 "
         "980-0811\n"
         "Japan\n",
         "980-0811", "宮城県仙台市青葉区一番町", "3-2-1 一番町レジデンス 501", "松井 亜希子", ""},
        {"the second destination numbered after a blank",
         "【ご依頼主】\n〒530-0001 大阪府大阪市北区梅田1-1-1\n河野 誠 様\n【お届け先 2】\n"
         "〒154-0024 東京都世田谷区三軒茶屋5-5\n河野 ひとみ 様\n",
         "154-0024", "東京都世田谷区三軒茶屋", "5-5", "河野 ひとみ", ""},
        {"a foreign form's address on one line, its parts split by commas",
         "配送先住所\n松井 亜希子\n2-2-1 一番町ハイツ 203, 一番町, 青葉区, 仙台市, 宮城県 "
         "980-0811\n"
         "Japan\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-2-1 一番町ハイツ 203", "松井 亜希子", ""},
        {"a labelled address with commas in our order",
         "お名前：松井 亜希子\n住所：宮城県, 仙台市青葉区, 一番町2-2-1, 一番町ハイツ 203\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-2-1 一番町ハイツ 203", "松井 亜希子", ""},
        {"a chat copied with the sender and a colon before each message",
         "まお：煎茶を2つください\nかんろ茶舗：お届け先を教えてください\n"
         "まお：仙台市青葉区一番町6-6 一番町コーポ101\nまお：佐倉 真央です\nまお：090-2222-3333\n",
         "980-0811", "宮城県仙台市青葉区一番町", "6-6 一番町コーポ101", "佐倉 真央",
         "090-2222-3333"},
        {"a reply giving only the room the quoted address left out",
         "部屋番号を書き忘れました。305号室です。\n田中 美穂\n> ■お届け先\n> 田中 美穂 様\n"
         "> 〒980-0811 宮城県仙台市青葉区一番町1-9-9 一番町レジデンス\n> TEL：022-700-0000\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-9-9 一番町レジデンス 305号室", "田中 美穂",
         "022-700-0000"},
        {"an item and its count right below the address of a phone memo",
         "TEL注文 4/1 受:山田\n田中様 090-8888-7777\n仙台市青葉区一番町2-2-9\n煎茶2\n", "980-0811",
         "宮城県仙台市青葉区一番町", "2-2-9", "田中", "090-8888-7777"},
        {"a signature: company, department with title, person; a 番町 after the number",
         "いつもの煎茶を10袋お願いします。\n--\n株式会社ミナト物流\n営業部 課長\n港 一郎\n"
         "〒951-8063 新潟市中央区古町通6番町980\nTEL 025-222-0000 / FAX 025-222-0001\n",
         "951-8063", "新潟県新潟市中央区古町通", "6番町980",
         "株式会社ミナト物流 営業部 課長 港 一郎", "025-222-0000"},
        {"whose address a sentence gives, before the sender's own",
         "母に直接送ってください。\n母の住所は〒980-0811 仙台市青葉区一番町3-5、名前は 上野 和子 "
         "です。\n電話は022-222-1111です。\n"
         "上野 真理\n〒154-0024 東京都世田谷区三軒茶屋1-2-3\n090-1111-9999\n",
         "980-0811", "宮城県仙台市青葉区一番町", "3-5", "上野 和子", "022-222-1111"},
        {"the address in brackets inside a sentence",
         "今回も玉露を2本お願いします。\n住所はいつものところ（仙台市青葉区一番町2-2-2）です。\n"
         "西田 智子\n022-226-0000\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-2-2", "西田 智子", "022-226-0000"},
        {"the person in charge sharing a surname with the company's name",
         "御社名　　有限会社　丸山園\nご住所　　〒９８０－０８１１　仙台市青葉区一番町５－６\n"
         "ご担当　　丸山\n",
         "980-0811", "宮城県仙台市青葉区一番町", "5-6", "有限会社 丸山園 丸山", ""},
        {"the person in charge in brackets after 御中",
         "納品先：株式会社さくら 経理部 御中（ご担当：桜井様）\n〒980-0811 仙台市青葉区一番町1-1\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-1", "株式会社さくら 経理部 桜井", ""},
        {"who the recipient is to the writer, in brackets after the name",
         "ご注文者：高田 亮\nお届け先：高田 雅子（母）\n〒980-0811 宮城県仙台市青葉区一番町3-3\n"
         "電話：022-224-0000\n",
         "980-0811", "宮城県仙台市青葉区一番町", "3-3", "高田 雅子", "022-224-0000"},
        {"the surname with 宛 after the address, the full name in the signature",
         "送り先は今回は職場の方で、\n仙台市青葉区一番町9-5 一番町会館 3F 田村 宛\n"
         "電話は職場 022-232-8888 です。\n田村 恵美\n",
         "980-0811", "宮城県仙台市青葉区一番町", "9-5 一番町会館 3F", "田村 恵美", "022-232-8888"},
        {"the 番地 on the line after the 丁目",
         "お客様名：小川さん\n住所：仙台市青葉区一番町1丁目\n　　　3-1 小川アパート2号\n"
         "電話：022-233-0000\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1丁目3-1 小川アパート2号", "小川",
         "022-233-0000"},
        {"a postcard typed in: the 番地 in kanji numerals below the town",
         "〒980-0811\n宮城県仙台市青葉区一番町\n　十五番地の二\n　　三浦　ハナ\n", "980-0811",
         "宮城県仙台市青葉区一番町", "十五番地の二", "三浦 ハナ", ""},
        {"the reading in hiragana after a slash",
         "お届け先\nお名前：山田 太郎 / やまだ たろう\n住所：〒980-0811 仙台市青葉区一番町1-1",
         "980-0811", "宮城県仙台市青葉区一番町", "1-1", "山田 太郎", ""},
        {"one word of kanji and its reading",
         "お届け先\n氏名　山田太郎　ヤマダタロウ\n住所　〒980-0811 仙台市青葉区一番町1-2",
         "980-0811", "宮城県仙台市青葉区一番町", "1-2", "山田太郎", ""},
        {"a katakana given name is no reading",
         "お届け先\n氏名：長谷川 マリア\n住所：〒980-0811 仙台市青葉区一番町1-3", "980-0811",
         "宮城県仙台市青葉区一番町", "1-3", "長谷川 マリア", ""},
        {"the telephone in brackets after the name on the address line",
         "お届け先：〒980-0811 宮城県仙台市青葉区一番町1-6 中村 正 様（電話 022-261-1234）",
         "980-0811", "宮城県仙台市青葉区一番町", "1-6", "中村 正", "022-261-1234"},
        {"a reply correcting the 番地 of the quoted address",
         "鈴木です。住所が間違っていました。\n正しくは 〒980-0811 仙台市青葉区一番町3-3-3 "
         "サンコーポ 201 "
         "です。\n\n> ■お届け先\n> 〒980-0811 宮城県仙台市青葉区一番町3-3-1\n> 鈴木 一郎 様\n"
         "> TEL 022-222-3333",
         "980-0811", "宮城県仙台市青葉区一番町", "3-3-3 サンコーポ 201", "鈴木 一郎",
         "022-222-3333"},
        {"the giver and a heading that qualifies the destination",
         "■贈り主\n〒154-0024 東京都世田谷区三軒茶屋1-1\n佐藤 一 様\n■ギフトのお届け先\n"
         "〒980-0811 宮城県仙台市青葉区一番町1-1\n佐藤 花 様\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-1", "佐藤 花", ""},
        {"a note in brackets after the destination's heading",
         "■ご注文者\n〒154-0024 東京都世田谷区三軒茶屋1-1\n佐藤 一 様\n■お届け先（ギフト）\n"
         "〒980-0811 宮城県仙台市青葉区一番町1-1\n佐藤 花 様\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-1", "佐藤 花", ""},
        {"a clinic written in kana above the honoured person",
         "あおばクリニック\n事務　森様\n〒980-0811\n仙台市青葉区一番町4-5-6 一番町ビル 2F\n",
         "980-0811", "宮城県仙台市青葉区一番町", "4-5-6 一番町ビル 2F", "あおばクリニック 事務 森",
         ""},
        {"a nursery named after its town above the person and title",
         "お届け先\n一番町保育園\n園長 佐野 恵子 様\n〒980-0811 仙台市青葉区一番町5-6-7\n",
         "980-0811", "宮城県仙台市青葉区一番町", "5-6-7", "一番町保育園 園長 佐野 恵子", ""},
        {"labels that honour whom they ask for",
         "【店名】喫茶 ひまわり\n【ご担当者様】日向 葵\n【住所】宮城県仙台市青葉区一番町3-4-5\n",
         "980-0811", "宮城県仙台市青葉区一番町", "3-4-5", "喫茶 ひまわり 日向 葵", ""},
        {"a sentence ending in 宛 is no honoured name",
         "お届け先\n〒980-0811 仙台市青葉区一番町1-1\n山田 花子\n請求書は会社宛\n", "980-0811",
         "宮城県仙台市青葉区一番町", "1-1", "山田 花子", ""},
        {"a chat's saved history with blanks for tabs",
         "LINEのトーク履歴\n09:15 原 健太 こんにちは\n09:16 原 健太 抹茶を1つ頼みたいです\n"
         "09:20 かんろ茶舗 お届け先を教えてください\n09:25 原 健太 仙台市青葉区一番町4-1-1 です\n"
         "09:25 原 健太 090-5555-6666\n",
         "980-0811", "宮城県仙台市青葉区一番町", "4-1-1", "原 健太", "090-5555-6666"},
        {"street and building split by a comma above the city line",
         "Ship to:\n松井 亜希子\n一番町1-2-3, 一番町ハイツ 302\n仙台市青葉区, 宮城県, "
         "980-0811\nJapan\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-2-3 一番町ハイツ 302", "松井 亜希子", ""},
        {"a comma between the honoured name and the postal code",
         "お届け先: 上田 麻衣 様, 〒980-0811 宮城県仙台市青葉区一番町1-2-3", "980-0811",
         "宮城県仙台市青葉区一番町", "1-2-3", "上田 麻衣", ""},
        {"four kanji and their reading",
         "受取人: 上田麻衣 ウエダマイ\n〒980-0811 宮城県仙台市青葉区一番町1-2-3\n", "980-0811",
         "宮城県仙台市青葉区一番町", "1-2-3", "上田麻衣", ""},
        {"blanks around every part of the address and the dashes",
         "お届け先 : 森 太一 様\n〒 980 - 0811\n宮城県 仙台市 青葉区 一番町 5 - 5 - 5\n",
         "980-0811", "宮城県仙台市青葉区一番町", "5-5-5", "森 太一", ""},
        {"the destination the same as the buyer, said with 同一",
         "■ご注文者\nお名前：森 太一\n〒980-0811 宮城県仙台市青葉区一番町6-6-6\nTEL：022-261-1111\n"
         "配送先：購入者と同一\n",
         "980-0811", "宮城県仙台市青葉区一番町", "6-6-6", "森 太一", "022-261-1111"},
        {"who writes for which clinic, no other name given",
         "一番町歯科医院 受付の中川です。\n待合室用のお茶を注文します。\n"
         "〒980-0811 仙台市青葉区一番町2-1\n電話 022-212-0000\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-1", "一番町歯科医院 受付 中川", "022-212-0000"},
        {"family and given name labelled on one line, their reading below",
         "送り先\n姓：森　名：太一\nセイ：モリ　メイ：タイチ\n〒980-"
         "0811\n宮城県仙台市青葉区一番町7-7-8\n",
         "980-0811", "宮城県仙台市青葉区一番町", "7-7-8", "森 太一", ""},
        {"a reading in half-width kana above the person",
         "■お届け先\nﾓﾘ ﾀｲﾁ\n森 太一 様\n〒980-0811 宮城県仙台市青葉区一番町7-7-9\n", "980-0811",
         "宮城県仙台市青葉区一番町", "7-7-9", "森 太一", ""},
        {"さん after the name; 自宅 after the header is no name",
         "お届け先：自宅\n〒263-0043 千葉市稲毛区小仲台2-2-2\n野田 早紀さん\n080-3131-4141",
         "263-0043", "千葉県千葉市稲毛区小仲台", "2-2-2", "野田 早紀", "080-3131-4141"},
        {"a spreadsheet's row of labels above the row of values",
         "お届け先\n氏名\t郵便番号\t住所\t電話番号\n"
         "森 さやか\t980-0811\t宮城県仙台市青葉区一番町1-9-9 一番町ビル 4F\t022-225-0000\n\n"
         "品名\t数量\n玄米茶 200g\t3\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-9-9 一番町ビル 4F", "森 さやか",
         "022-225-0000"},
        {"the shop's address quoted without its prefecture",
         "Re: ご注文ありがとうございました\n> 有限会社かんろ茶舗\n> 静岡市葵区呉服町2-3-5\n"
         "追加でお願いします。\n〒980-0811 仙台市青葉区一番町2-2-2\n村田 加奈子\n090-4545-6767",
         "980-0811", "宮城県仙台市青葉区一番町", "2-2-2", "村田 加奈子", "090-4545-6767"},
        {"a reply sending elsewhere than the quoted order",
         "前回と同じものを、今回は娘の家に送ってください。\n〒231-0023 横浜市中区山下町1-1 "
         "山下ハウス 202\n"
         "山田 花子\n090-1212-3434\n\n> ■お届け先\n> 〒154-0024 東京都世田谷区三軒茶屋3-3-3\n"
         "> 山田 太郎 様\n> TEL 03-3410-0000",
         "231-0023", "神奈川県横浜市中区山下町", "1-1 山下ハウス 202", "山田 花子",
         "090-1212-3434"},
        {"a reply agreeing under the sender's signature: the quoted destination",
         "はい、その内容でお願いします。\n\n--\n山田 太郎\n〒154-0024 東京都世田谷区三軒茶屋3-3-3\n"
         "TEL 03-3410-0000\n\n> ■ご注文者\n> 山田 太郎 様\n> ■お届け先\n"
         "> 〒231-0023 神奈川県横浜市中区山下町1-1 山下ハウス 202\n> 山田 花子 様\n> TEL "
         "090-1212-3434",
         "231-0023", "神奈川県横浜市中区山下町", "1-1 山下ハウス 202", "山田 花子",
         "090-1212-3434"},
        {"a long address line broken inside the building's name",
         "お届け先：〒154-0024 東京都世田谷区三軒茶屋2-11-8 サンクレスト三\n軒茶屋 1104号室\n"
         "お名前：大野 真理子 様\nお電話：03-3422-5555",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 サンクレスト三軒茶屋 1104号室",
         "大野 真理子", "03-3422-5555"},
        {"a town written without its 郡",
         "お届け先\n〒389-0102\n長野県軽井沢町軽井沢1-2-3\n小島 奈緒 様\n0267-42-1111", "389-0102",
         "長野県北佐久郡軽井沢町軽井沢", "1-2-3", "小島 奈緒", "0267-42-1111"},
        {"a city written without its ward",
         "送り先\n〒231-0023\n神奈川県横浜市山下町7-7 山下グランデ 1507\n河合 陽菜 "
         "様\n045-222-7777",
         "231-0023", "神奈川県横浜市中区山下町", "7-7 山下グランデ 1507", "河合 陽菜",
         "045-222-7777"},
        {"a building written straight after the 番地",
         "お届け先：〒154-0024 東京都世田谷区三軒茶屋２－１１－８サンハイツ３０５\nお名前：宮崎 "
         "蓮\n"
         "電話：03-3411-2222",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 サンハイツ305", "宮崎 蓮", "03-3411-2222"},
        {"the reading after a slash",
         "■配送先\n氏名：中島 彩花 / ナカジマ アヤカ\n〒980-0811 宮城県仙台市青葉区一番町3-7-7\n"
         "TEL：022-262-8888",
         "980-0811", "宮城県仙台市青葉区一番町", "3-7-7", "中島 彩花", "022-262-8888"},
        {"one number for telephone and fax",
         "【納品先】\n〒920-0961 石川県金沢市香林坊3-3-9\n有限会社はくさん茶房 御中\nTEL/FAX "
         "076-262-5555",
         "920-0961", "石川県金沢市香林坊", "3-3-9", "有限会社はくさん茶房", "076-262-5555"},
        {"the marketplace's company in the footer below the destination",
         "■お届け先\n氏名: 今村 由香\n郵便番号: 810-0001\n"
         "住所: 福岡県福岡市中央区天神5-5-5 天神コート 301\n"
         "電話番号: 092-733-1111\n\nBASE株式会社\n東京都港区六本木三丁目2番1号",
         "810-0001", "福岡県福岡市中央区天神", "5-5-5 天神コート 301", "今村 由香", "092-733-1111"},
        {"the recipient named in a sentence",
         "今回は妻の実家に送ってもらえますか。\n受取人は義母の 佐野 和子 です。\n"
         "住所は 〒330-0063 埼玉県さいたま市浦和区高砂3-3-3 です。\n電話は 048-822-9999 です。\n"
         "請求はいつも通り私宛てでお願いします。\n佐野 健",
         "330-0063", "埼玉県さいたま市浦和区高砂", "3-3-3", "佐野 和子", "048-822-9999"},
        {"the telephone in brackets after the 番地",
         "送付先\n〒231-0023 神奈川県横浜市中区山下町9-9（TEL 045-201-0909）\n三浦 沙也加 様",
         "231-0023", "神奈川県横浜市中区山下町", "9-9", "三浦 沙也加", "045-201-0909"},
        {"a name in angle brackets' header; an item line right below the address",
         "＜お届け先＞高橋 美和 様\n東京都世田谷区三軒茶屋2-11-8 サンハイツ305\n"
         "商品: 有機ほうじ茶 ティーバッグ 2.5g×30包\n数量: 3",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 サンハイツ305", "高橋 美和", ""},
        {"an item with its weight and count right below the address",
         "お届け先\n山本 香奈 様\n〒810-0001 福岡県福岡市中央区天神2-2-2\n"
         "有機ほうじ茶 ティーバッグ 2.5g 3袋",
         "810-0001", "福岡県福岡市中央区天神", "2-2-2", "山本 香奈", ""},
        {"a building without a building word below a labelled address",
         "【お届け先】\nお名前：青山 桃子\nご住所：〒154-0024 東京都世田谷区三軒茶屋1-5-9\n"
         "　　　　グリーンテラス三軒茶屋\nお電話番号：03-3487-1111",
         "154-0024", "東京都世田谷区三軒茶屋", "1-5-9 グリーンテラス三軒茶屋", "青山 桃子",
         "03-3487-1111"},
        {"building, then the person, neither marked",
         "お届け先\n〒154-0024\n東京都世田谷区三軒茶屋1-5-9\nグリーンテラス三軒茶屋\n青山 桃子\n"
         "03-3487-1111",
         "154-0024", "東京都世田谷区三軒茶屋", "1-5-9 グリーンテラス三軒茶屋", "青山 桃子",
         "03-3487-1111"},
        {"shop, then the person, neither marked",
         "お届け先\n〒920-0961\n石川県金沢市香林坊2-1-1\n喫茶こもれび\n沢田 純\n076-221-0000",
         "920-0961", "石川県金沢市香林坊", "2-1-1", "喫茶こもれび 沢田 純", "076-221-0000"},
        {"the destination's 名称",
         "お届け先名称：社会福祉法人 みどり会\n"
         "お届け先住所：〒980-0811 宮城県仙台市青葉区一番町4-4-4",
         "980-0811", "宮城県仙台市青葉区一番町", "4-4-4", "社会福祉法人 みどり会", ""},
        {"name, address and telephone on one line in full width",
         "お届け先：山田太郎様　〒154-0024　東京都世田谷区三軒茶屋２－１１－８　サンハイツ３０５　"
         "ＴＥＬ０３－３４１１－０００１",
         "154-0024", "東京都世田谷区三軒茶屋", "2-11-8 サンハイツ305", "山田太郎", "03-3411-0001"},
        {"furigana above the person is no shop",
         "お届け先\nヤマグチ カズオ\n山口 和夫 様\n〒530-0001 大阪府大阪市北区梅田3-1-1\n",
         "530-0001", "大阪府大阪市北区梅田", "3-1-1", "山口 和夫", ""},
        {"a staff memo's one-character labels for customer and destination",
         "TEL受注 12/7 受:佐藤\n客:石田様(初)\n届:〒980-0811 仙台市青葉区一番町2-3-4\n"
         "TEL:022-211-0000",
         "980-0811", "宮城県仙台市青葉区一番町", "2-3-4", "石田", "022-211-0000"},
        {"a form's destination ticked as the orderer's, an item's colour below",
         "ご注文者　お名前　杉山 弘子\n　〒980-0811 仙台市青葉区一番町1-2\n"
         "お届け先　■ご注文者と同じ　□下記へ\n　お名前\n　ご住所\n　TEL\n"
         "商品名　　　　単価　　数量　　金額\n"
         "急須　　4,400　　1　　4,400\n　色：黒\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-2", "杉山 弘子", ""},
        {"a chat's export: date and time in brackets, the sender and a colon",
         "[2026-12-01 19:02] 木村 彩: 湯呑をください\n[2026-12-01 19:20] かんろ茶舗: 承知しました\n"
         "[2026-12-01 19:32] 木村 彩: 〒980-0811 仙台市青葉区一番町8-1\n0263-58-2207\n",
         "980-0811", "宮城県仙台市青葉区一番町", "8-1", "木村 彩", "0263-58-2207"},
        {"the destination and the billing address side by side",
         "配送先住所\t請求先住所\n前田 彩\t前田 真一\n一番町1-4\t本町2-2\n"
         "仙台市青葉区 宮城県 980-0811\t仙台市青葉区 宮城県 980-0014\n\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-4", "前田 彩", ""},
        {"a copyright in the footer below a label left empty",
         "お届け先\n〒980-0811 仙台市青葉区一番町1-5\n前田 彩\nお客様\n© 2026 Shopify Inc.\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-5", "前田 彩", ""},
        {"the name for the gift's のし in a sentence below the recipient",
         "【受取人】\n〒980-0811 仙台市青葉区一番町1-6\n宮城 大輔 様\n"
         "のしの表書きは「御祝」、名前は上田でお願いします。\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-6", "宮城 大輔", ""},
        {"an inn whose name has 荘, its desk and the person below the address",
         "【納品先】\n〒980-0811 仙台市青葉区一番町1-7\n山荘あおば　フロント 安藤\n", "980-0811",
         "宮城県仙台市青葉区一番町", "1-7", "山荘あおば フロント 安藤", ""},
        {"the name after the building's room on the address line",
         "〒980-0811 仙台市青葉区一番町1-8 一番町ハイツ303 橋本 奈緒子\n電話 022-211-6049\n橋本\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-8 一番町ハイツ303", "橋本 奈緒子",
         "022-211-6049"},
        {"company, department and person after the floor, signed by the surname",
         "〒980-0811 仙台市青葉区一番町1-9 一番町ビル7階 株式会社ミナト 総務部 長谷川恭子\n"
         "よろしくお願いします。\n長谷川\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-9 一番町ビル7階",
         "株式会社ミナト 総務部 長谷川恭子", ""},
        {"a chat copied with the sender's full name and a colon before each message",
         "中島 直美: 年末用にお願いします\n中島 直美: 実家に送ってください\n"
         "中島 直美: 〒980-0811 仙台市青葉区一番町2-1-1\n中島 直美: 中島 清 宛 022-232-9018\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-1-1", "中島 清", "022-232-9018"},
        {"a staff's note in brackets after the labelled, honoured name",
         "お客様：前川 澄子 様（はじめて・ご紹介：常連の村松様）\n〒980-0811 "
         "仙台市青葉区一番町2-14\n",
         "980-0811", "宮城県仙台市青葉区一番町", "2-14", "前川 澄子", ""},
        {"a memo's customer above 届け先：ご本人宅, a heading with a colon below",
         "お客様：中川 義男 様\nTEL 022-222-5317\n届け先：ご本人宅\n〒980-0811 "
         "仙台市青葉区一番町7-19\n"
         "品物：\n　煎茶 × 2\n",
         "980-0811", "宮城県仙台市青葉区一番町", "7-19", "中川 義男", "022-222-5317"},
        {"which place and a staff's note after the 番地",
         "お届け先：仙台市青葉区一番町 1145-3（ご自宅）※郵便番号わからないとのこと\n中川 義男 様\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1145-3", "中川 義男", ""},
        {"a cart's kind of address below the telephone",
         "配送先住所\n山田 友里\n一番町1-10\n仙台市青葉区, 宮城県\n980-0811\n"
         "電話番号: 022-222-7719\n住所の種類: 住宅\n",
         "980-0811", "宮城県仙台市青葉区一番町", "1-10", "山田 友里", "022-222-7719"},
    };
    for (const Row &row : rows) {
        const DictionaryTransferResult r =
            runDictionaryTransfer(QString::fromUtf8(row.text), kShop, dict.get());
        EXPECT_EQ(r.fields.zip, QString::fromUtf8(row.zip)) << row.name;
        EXPECT_EQ(r.fields.add1, QString::fromUtf8(row.add1)) << row.name;
        EXPECT_EQ(r.fields.add2, QString::fromUtf8(row.add2)) << row.name;
        EXPECT_EQ(r.fields.custo1, QString::fromUtf8(row.custo1)) << row.name;
        EXPECT_EQ(r.fields.tel, QString::fromUtf8(row.tel)) << row.name;
    }
}

} // namespace

// The order-line reader, one row per written form of an item line, plus the
// rules around it: names cut at the field's length, amounts beyond nine
// digits, fees and discounts, how the tax mode is decided, the reduced mark.
// Rows read as 品名1|品名2|数量|単位|単価|軽.
#include "printers.h"
#include "transfer/OrderLines.h"

#include <gtest/gtest.h>

namespace {

QStringList rowsOf(const OrderLines &o)
{
    QStringList out;
    for (const OrderRow &r : o.rows)
        out.append(QStringList{r.name1, r.name2, QString::number(r.qty), r.unit,
                               r.priced ? QString::number(r.price) : QString(),
                               r.reduced ? u"軽"_qs : QString()}
                       .join(u'|'));
    return out;
}

struct Case
{
    const char *name;
    QString text;
    QStringList rows;
    OrderTaxMode tax;
    std::optional<qint64> total;
    int unread = 0;
};

template <std::size_t N> void expectRead(const Case (&cases)[N])
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const OrderLines o = readOrderLines(c.text);
        EXPECT_EQ(rowsOf(o), c.rows);
        EXPECT_EQ(o.tax, c.tax);
        EXPECT_EQ(o.total, c.total);
        EXPECT_EQ(o.unread.size(), c.unread) << o.unread.join(u'/').toStdString();
    }
}

TEST(OrderLines, WrittenForms)
{
    using enum OrderTaxMode;
    const Case cases[] = {
        {"marketplace: name line, then price x count = total",
         u"[商品]\n煎茶 100g\n価格  1,080(円) x 2(個) = 2,160(円)  (税込、送料別)\n"
         "送料  600(円)\n請求金額  2,760(円)"_qs,
         {u"煎茶 100g||2|個|1080|"_qs, u"送料||1||600|"_qs},
         Included,
         2760},
        {"labelled fields with option, unit in the count, item subtotal",
         u"【ご注文商品】\n商品名：玉露 50g\nオプション：のし：御中元\n単価：3,240円（税込）\n"
         "数量：2個\n小計：6,480円\n\nお支払い金額：6,480円"_qs,
         {u"玉露 50g|のし：御中元|2|個|3240|"_qs},
         Included,
         6480},
        {"one line: name, price x count",
         u"【ご注文内容】\n抹茶入り玄米茶　200g　1,080円 × 3\n合計　3,240円"_qs,
         {u"抹茶入り玄米茶 200g||3||1080|"_qs},
         Included,
         3240},
        {"yen sign first, count after the name line",
         u"商品\n和紅茶 40g\n¥1,620 × 2\n合計 ¥3,240"_qs,
         {u"和紅茶 40g||2||1620|"_qs},
         Included,
         3240},
        {"fax table: count with unit, @price, line total; tax stated apart",
         u"品名　　数量　単価　金額\n煎茶 1kg　3袋　@4,800　14,400\n小計 14,400円\n"
         "消費税（8%） 1,152円\n合計 15,552円"_qs,
         {u"煎茶 1kg||3|袋|4800|軽"_qs},
         Excluded,
         15552},
        {"table with yen signs: price, bare count, line total",
         u"商品名　単価　数量　小計\n煎茶 朝露 100g　￥1,620　 2　 ￥3,240\n総合計 ￥3,240"_qs,
         {u"煎茶 朝露 100g||2||1620|"_qs},
         Included,
         3240},
        {"inline labels on one line",
         u"川根茶 100g　単価 1,296円　数量 2　金額 2,592円\nお支払い合計 2,592円"_qs,
         {u"川根茶 100g||2||1296|"_qs},
         Included,
         2592},
        {"count before the line total; a code is all the name there is",
         u"KC-SEN-100 ×5 ¥5,400\n合計 ¥5,400"_qs,
         {u"KC-SEN-100||5||1080|"_qs},
         Included,
         5400},
        {"free text: price, then the count",
         u"・深蒸し煎茶100g 1,080円を3つ\n送料600円込みで合計3,840円"_qs,
         {u"深蒸し煎茶100g||3||1080|"_qs, u"送料||1||600|"_qs},
         Included,
         3840},
        {"full-width digits",
         u"ご注文品：\n　抹茶カステラ　１，５１２円×２本\n合計　３，０２４円"_qs,
         {u"抹茶カステラ||2|本|1512|"_qs},
         Included,
         3024},
        {"fees and discounts: zero and free fees left out, points negative, earned points ignored",
         u"商品名：煎茶\n単価：1,000円\n数量：1\n\n送料：無料（5,000円以上）\n代引手数料：330円\n"
         "手数料：0円\nクーポン割引：-100円\nポイント利用：50pt\n獲得ポイント：10pt\n合計：1,180円"_qs,
         {u"煎茶||1||1000|"_qs, u"代引手数料||1||330|"_qs, u"クーポン割引||1||-100|"_qs,
          u"ポイント利用||1||-50|"_qs},
         Included,
         1180},
        {"tax-exclusive by the words alone",
         u"商品名：急須\n単価（税抜）：3,800円\n数量：1\n"_qs,
         {u"急須||1||3800|"_qs},
         Excluded,
         std::nullopt},
        {"no word and no total: the tax mode is not guessed",
         u"商品名：急須\n単価：3,800円\n数量：1\n"_qs,
         {u"急須||1||3800|"_qs},
         Unknown,
         std::nullopt},
        {"legend names the mark; the mark leaves the name",
         u"商品名：※煎茶\n単価：1,080円\n数量：1\n\n商品名：湯呑み\n単価：1,100円\n数量：1\n\n"
         "※は軽減税率対象商品です\n合計：2,180円"_qs,
         {u"煎茶||1||1080|軽"_qs, u"湯呑み||1||1100|"_qs},
         Included,
         2180},
        {"a legend of marks written on the lines marks no item of its own",
         u"煎茶 (軽)　1,080円 × 1\n急須　3,300円 × 1\n(軽)は軽減税率対象商品です\n合計 4,380円"_qs,
         {u"煎茶||1||1080|軽"_qs, u"急須||1||3300|"_qs},
         Included,
         4380},
        {"legends with = and in brackets after items that carry the mark",
         u"番茶 ★ 500円 × 2\n急須 1,000円 × 1\n★＝軽減税率8%対象\n玄米茶 ※ 400円 × 1\n"
         "湯呑 600円 × 1\n（※軽減税率対象商品）\n（軽）＝軽減税率対象\n合計 3,000円"_qs,
         {u"番茶||2||500|軽"_qs, u"急須||1||1000|"_qs, u"玄米茶||1||400|軽"_qs,
          u"湯呑||1||600|"_qs},
         Included,
         3000},
        {"the reduced rate's base picks out its items",
         u"商品名：玉露\n単価：1,944円\n数量：2\n\n商品名：グラス\n単価：2,200円\n数量：1\n\n"
         "合計：6,088円\n（8%対象 3,888円　内消費税 288円）"_qs,
         {u"玉露||2||1944|軽"_qs, u"グラス||1||2200|"_qs},
         Included,
         6088},
        {"a weight is no count: reported, not filled",
         u"商品名：番茶\n単価：324円\n数量：250g\n"_qs,
         {},
         Unknown,
         std::nullopt,
         1},
        {"a price beyond nine digits is reported",
         u"商品名：茶室\n単価：1,000,000,000円\n数量：1\n"_qs,
         {},
         Unknown,
         std::nullopt,
         1},
        {"the destination's lines are no items",
         u"【お届け先】\n山田 太郎 様\n〒150-0001 東京都渋谷区神宮前1-2-3\n090-1234-5678\n"_qs,
         {},
         Unknown,
         std::nullopt},
    };
    expectRead(cases);
}

// The ways marketplaces, carts, forms and letters lay out the same things:
// summary labels, options, names with marks or codes around them, replies,
// HTML, mails that name no price.
TEST(OrderLines, LayoutsOfShopsAndForms)
{
    using enum OrderTaxMode;
    const Case cases[] = {
        {"bracketed summary labels; a heading with its amount on the next line",
         u"[商品]\n煎茶\n価格 1,000(円) x 1(個)\n[送料]  500(円)\n[クーポン] 春の100円OFFクーポン\n"
         "■合計\n¥1,500"_qs,
         {u"煎茶||1|個|1000|"_qs, u"送料||1||500|"_qs},
         Included,
         1500},
        {"a bracketed label ending in a discount word; a price for each",
         u"玄米茶 3袋 各500円\n[楽天ポイント利用]  -100(円)\n[お支払い金額] 1,400(円)"_qs,
         {u"玄米茶||3|袋|500|"_qs, u"楽天ポイント利用||1||-100|"_qs},
         Included,
         1400},
        {"labels ending in a total, a discount or a fee word",
         u"商品名：急須\n単価：3,000円\n数量：1\nカード料金：110円\nd払いポイント利用：-100円\n"
         "今回のご請求額：3,010円"_qs,
         {u"急須||1||3000|"_qs, u"カード料金||1||110|"_qs, u"d払いポイント利用||1||-100|"_qs},
         Included,
         3010},
        {"phone memo: count before @price, two fees on a line, a date no amount",
         u"・番茶 ×2　@500\n送料600　代引330\n代引き。3/15(土)午前着"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs, u"代引||1||330|"_qs},
         Unknown,
         std::nullopt},
        {"shipping included, then the total and the shipping on one line",
         u"煎茶　1,000円　×1\n送料込みで合計1,600円（送料600円）"_qs,
         {u"煎茶||1||1000|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"options on lines of their own, joined; a short attribute is one",
         u"商品名：湯呑\nのし：御祝\n名入れ：田中\n柄：青\nお届け希望日：5月1日\n同梱物：カタログ\n"
         u"単価：2,000円\n"
         "数量：1"_qs,
         {u"湯呑|のし：御祝 / 名入れ：田中 / 柄：青|1||2000|"_qs},
         Unknown,
         std::nullopt},
        {"a code column, a rate column, the reduced mark as a word",
         u"品番\t品名\t数量\t単価\t金額\nAB-12\t番茶 1kg\t2\t1,000\t2,000\n"
         "[軽] 玉露　1,000円 × 1 = 1,000円\n01  白折 50g      軽  800円 ×  1 =  800円\n"
         "雑貨 10%　500円 × 1 = 500円"_qs,
         {u"番茶 1kg||2||1000|"_qs, u"玉露||1||1000|軽"_qs, u"白折 50g||1||800|軽"_qs,
          u"雑貨||1||500|"_qs},
         Unknown,
         std::nullopt},
        {"the price in brackets inside a sentence",
         u"番茶（税込1,080円）を2袋お願いします"_qs,
         {u"番茶||2|袋|1080|"_qs},
         Included,
         std::nullopt},
        {"a count column first: count times price is the line total",
         u"数量  商品の詳細  単価  商品の合計\n2     ほうじ茶 3g×30包   ￥800   ￥1,600\n合計: ￥1,600"_qs,
         {u"ほうじ茶 3g×30包||2||800|"_qs},
         Included,
         1600},
        {"HTML table and entities",
         u"<tr><td>★煎茶</td><td>&yen;1,000</td><td>2</td><td>&yen;2,000</td></tr>\n"
         "★は軽減税率対象<br>\n合計：&yen;2,000<br>"_qs,
         {u"煎茶||2||1000|軽"_qs},
         Included,
         2000},
        {"HTML paragraphs and numeric character references",
         u"<p>番茶&nbsp;&nbsp;&#165;500&nbsp;×&nbsp;2</p>\n<p>送料&nbsp;&#xFFE5;600</p>\n<p>合計&nbsp;&yen;1,600</p>"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"a reply's own lines, not the quoted catalogue",
         u"番茶　500円 ×2\n\n> ■番茶　500円（税込）\n> ■玉露　2,000円（税込）"_qs,
         {u"番茶||2||500|"_qs},
         Unknown,
         std::nullopt},
        {"the catalogue after a reply's header is not read",
         u"番茶　500円 ×2\n-----Original Message-----\n■玉露　2,000円（税込）"_qs,
         {u"番茶||2||500|"_qs},
         Unknown,
         std::nullopt},
        {"an order quoted whole is read without its quote marks",
         u"お願いします\n> [商品]\n> 番茶\n> 価格 500(円) x 2(個)\n> \n> [送料] 600(円)\n> [合計] 1,600(円)"_qs,
         {u"番茶||2|個|500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"a price label with a prefix inside a line",
         u"川根茶 100g　販売価格 1,296円　数量 2　金額 2,592円"_qs,
         {u"川根茶 100g||2||1296|"_qs},
         Unknown,
         std::nullopt},
        {"indented entries at one depth, options deeper; the fees' sum",
         u"［ご注文商品］\n　煎茶\n　　のし：内祝\n　　1,000円（税込・軽減税率対象） × 2 ＝ "
         u"2,000円\n"
         "　化粧箱\n　　200円 × 2 ＝ 400円\n送料：800円\n送料合計：800円"_qs,
         {u"煎茶|のし：内祝|2||1000|軽"_qs, u"化粧箱||2||200|"_qs, u"送料||1||800|"_qs},
         Included,
         std::nullopt},
        {"a unit price under a counted name",
         u"棒ほうじ茶 × 2\n100g\n単価 ¥756\n田中さんが ¥1,512 を支払いました"_qs,
         {u"棒ほうじ茶|100g|2||756|"_qs},
         Unknown,
         std::nullopt},
        {"no price anywhere: counted lines are rows without a price",
         u"・番茶 100g　3袋\n・玄米茶　2袋\n"_qs,
         {u"番茶 100g||3|袋||"_qs, u"玄米茶||2|袋||"_qs},
         Unknown,
         std::nullopt},
        {"a chat log's sentences without prices",
         u"[LINE] トーク履歴\n20:50\t田中\t番茶を4袋と、玄米茶を2袋お願いします！"_qs,
         {u"番茶||4|袋||"_qs, u"玄米茶||2|袋||"_qs},
         Unknown,
         std::nullopt},
        {"a sentence with the count before its price",
         u"番茶を3袋お願いします。1袋600円でしたよね？\nあと玄米茶も2袋（500円）"_qs,
         {u"番茶||3|袋|600|"_qs, u"玄米茶||2|袋|500|"_qs},
         Unknown,
         std::nullopt},
        {"items under rate headings; every item reduced by a note",
         u"【軽減税率（8%）対象商品】\n番茶　500円 × 2\n【標準税率（10%）対象商品】\n湯呑　1,000円 × 1"_qs,
         {u"番茶||2||500|軽"_qs, u"湯呑||1||1000|"_qs},
         Unknown,
         std::nullopt},
        {"every item reduced by a note",
         u"番茶　500円 × 2\n玉露　1,000円 × 1\n※全品軽減税率（8%）対象です"_qs,
         {u"番茶||2||500|軽"_qs, u"玉露||1||1000|軽"_qs},
         Unknown,
         std::nullopt},
        {"an item listed again without its price is read once",
         u"ご注文：番茶 100g　2袋\n\n商品名：番茶 100g\n単価：500円\n数量：2袋"_qs,
         {u"番茶 100g||2|袋|500|"_qs},
         Unknown,
         std::nullopt},
        {"a rate column after the line total; last year's sum in a sentence is no item",
         u"昨年は合計12,000円お買い上げいただきました。\n商品名\t数量\t単価\t金額\t税率\n"
         "番茶\t2\t500\t1,000\t8%\n湯呑\t1\t1,000\t1,000\t10%"_qs,
         {u"番茶||2||500|軽"_qs, u"湯呑||1||1000|"_qs},
         Unknown,
         std::nullopt},
        {"a title above a counted name is no item",
         u"注文 #2001\n番茶 × 3\n¥1,500"_qs,
         {u"番茶||3||500|"_qs},
         Unknown,
         std::nullopt},
        {"a numbered table with a pack column; no option; points earned in a sentence",
         u"No.\t品名\t規格\t入数\t数量\t単価\t金額\n2\t玄米茶\t500g\t1\t2\t1,800\t3,600\n"
         "商品名：番茶\nオプション：なし\n価格：500円\n数量：1\n今回のご注文で36ポイント獲得"_qs,
         {u"玄米茶 500g||2||1800|"_qs, u"番茶||1||500|"_qs},
         Unknown,
         std::nullopt},
        {"an amount after the count is the line total, unless only prices reach the total",
         u"・玉露 ×2袋 2,000円\n合計 2,000円\n"_qs,
         {u"玉露||2|袋|1000|"_qs},
         Included,
         2000},
        {"... the same amount as a price when the total says so",
         u"・玉露 ×2袋 2,000円\n・番茶 ×1 500円\n合計 4,500円\n"_qs,
         {u"玉露||2|袋|2000|"_qs, u"番茶||1||500|"_qs},
         Included,
         4500},
        {"a fax table read by its head's columns, without marks or line totals",
         u"│品名          │数量│単価    │\n│番茶 1kg       │ 3  │ 1,500  │\n│湯呑          │ 2袋 │ 800  │"_qs,
         {u"番茶 1kg||3||1500|"_qs, u"湯呑||2|袋|800|"_qs},
         Unknown,
         std::nullopt},
        {"a tax remark leaves the name; a price for one after the count; a mark at the end",
         u"商品名：番茶 100g（税込）\n[項目・選択肢] 包装:あり\n価格：500円\n数量：1\n"
         "煎茶 2袋（1袋1,000円）\n・抹茶 ¥2,000 ×1 ★\n★印は軽減税率対象"_qs,
         {u"番茶 100g|包装:あり|1||500|"_qs, u"煎茶||2|袋|1000|"_qs, u"抹茶||1||2000|軽"_qs},
         Included,
         std::nullopt},
        {"count and price on one labelled line; a total without colon; last order's sum",
         u"番茶\n数量：2　単価：500円　小計：1,000円\nお買い上げ合計　1,000円\n前回ご注文合計　8,000円"_qs,
         {u"番茶||2||500|"_qs},
         Included,
         1000},
        {"items listed twice with their prices are read once when the total says so",
         u"番茶　500円 × 2\n玉露　1,000円 × 1\n\n番茶　500円 × 2\n玉露　1,000円 × 1\n合計 2,000円"_qs,
         {u"番茶||2||500|"_qs, u"玉露||1||1000|"_qs},
         Included,
         2000},
        {"a fee word with a choice is the item's option; subtotal, tax and total in a sentence",
         u"急須　3,000円 × 1\n　ラッピング：あり（+200円）\nラッピング料：200円\n"
         "税抜合計 3,200円、消費税 320円、合計 3,520円 でお願いします。"_qs,
         {u"急須|ラッピング：あり（+200円）|1||3000|"_qs, u"ラッピング料||1||200|"_qs},
         Excluded,
         3520},
        {"no currency marks: amounts next to a count; no-break spaces are blanks",
         u"煎茶\u00A0100g　1,080 × 2\n急須　1点　3,300\nTEL 054-255-1234\n合計 5,460"_qs,
         {u"煎茶 100g||2||1080|"_qs, u"急須||1|点|3300|"_qs},
         Included,
         5460},
        {"a tax remark wrapped onto a line of its own",
         u"商品名：番茶\n単価：500円\n（税込）\n数量：2個\n合計\n（税込）：1,000円"_qs,
         {u"番茶||2|個|500|"_qs},
         Included,
         1000},
        {"labels set off by blanks instead of colons",
         u"■商品名　茶筅 八十本立\n■商品コード　CS-80\n■のし　御祝\n■単価　3,850円(税込)\n■数量　1"_qs,
         {u"茶筅 八十本立|のし　御祝|1||3850|"_qs},
         Included,
         std::nullopt},
        {"a fee for several parcels is one row of its sum",
         u"品名：番茶（500円）\n数量：4袋\n送料：1件 800円 × 2件 = 1,600円\n合計：3,600円"_qs,
         {u"番茶||4|袋|500|"_qs, u"送料||1||1600|"_qs},
         Included,
         3600},
        {"points alone are earned; used, negative or in yen they are a discount",
         u"番茶 500円 × 2\n今回のポイント 30pt\nポイント：10pt\nポイント利用：50pt\nポイント：-20円"_qs,
         {u"番茶||2||500|"_qs, u"ポイント利用||1||-50|"_qs, u"ポイント||1||-20|"_qs},
         Unknown,
         std::nullopt},
        {"a memo's entries on one line split at slashes; a count glued by ×",
         u"番茶100g×3 1,500円 / 玄米茶×1 500円 / 送料600 / 計2,600\nのし：御祝 / 名入れ：田中"_qs,
         {u"番茶100g||3||500|"_qs, u"玄米茶||1||500|"_qs, u"送料||1||600|"_qs},
         Included,
         2600},
        {"a table with slashes between its cells",
         u"品番／品名／数量／単価／金額\nA-01／番茶 1kg／2／1,000／2,000\n"_qs,
         {u"番茶 1kg||2||1000|"_qs},
         Unknown,
         std::nullopt},
        {"counts glued to names in a message without prices",
         u"こんにちは\n番茶2つ、玄米茶1袋お願いします！"_qs,
         {u"番茶||2|||"_qs, u"玄米茶||1|袋||"_qs},
         Unknown,
         std::nullopt},
        {"a note names the reduced items; numbered form fields",
         u"商品1：番茶 100g\n単価1：500円\n数量1：2\n商品2：湯呑\n単価2：1,000円\n数量2：1\n"
         "※軽減税率対象商品：番茶 100g"_qs,
         {u"番茶 100g||2||500|軽"_qs, u"湯呑||1||1000|"_qs},
         Unknown,
         std::nullopt},
        {"sentences: a bound or a particle before the amount is no item; openers leave the name",
         u"先月は5,000円以上で送料無料でした。\n今回は番茶 100g 500円を2袋お願いします。"_qs,
         {u"番茶 100g||2|袋|500|"_qs},
         Unknown,
         std::nullopt},
        {"a total 'to be paid'; points to be earned are none; English summary words",
         u"番茶 500円 × 2\nShipping ¥600\n獲得予定ポイント：10pt\nお支払い予定金額：1,600円"_qs,
         {u"番茶||2||500|"_qs, u"Shipping||1||600|"_qs},
         Included,
         1600},
        {"a line-total label over price × count = total",
         u"商品名：番茶\n金額：500円×2点＝1,000円\n■合計：1,000円"_qs,
         {u"番茶||2|点|500|"_qs},
         Included,
         1000},
        {"a counted name without its price ends at a long line",
         u"・番茶 100g　5袋\n〒100-0004 東京都千代田区大手町1-6-1 大手町ビル 11階\n"_qs,
         {u"番茶 100g||5|袋||"_qs},
         Unknown,
         std::nullopt},
        {"... a bulleted amount under its heading",
         u"番茶 500円 × 2\n■送料\n・¥600\n■合計金額\n・¥1,600"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"an option label with more words, its value's own label; a variation keeps its label",
         u"商品名：番茶\nオプション情報：容量：1kg\nバリエーション：赤\n価格：¥500 × 1\n"
         "合計：¥500"_qs,
         {u"番茶|容量：1kg / バリエーション：赤|1||500|"_qs},
         Included,
         500},
        {"two codes under one name; a tree mark before an option; the count's unit in brackets",
         u"商品名：急須\nASIN: B0X1\nSKU: KY-1\n　└ のし：御祝\n価格 2,000(円) x 個数  1(本)\n"
         "合計 2,000(円)"_qs,
         {u"急須|のし：御祝|1|本|2000|"_qs},
         Included,
         2000},
        {"an option label with a remark; a counter of paper",
         u"商品：湯呑\n名入れ文字（表）：山田\n数量：1\n価格：3,000円\n懐紙 30枚　300円 × 5帖　＝ "
         "1,500円\n合計：4,500円"_qs,
         {u"湯呑|名入れ文字（表）：山田|1||3000|"_qs, u"懐紙 30枚||5|帖|300|"_qs},
         Included,
         4500},
        {"the shop addressed before the order; a fee in a sentence",
         u"かんろ茶舗さん 番茶（税込500円）を2袋お願いします\n送料はいつもの600円で、合計1,600円です"_qs,
         {u"番茶||2|袋|500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"... with へ and a comma",
         u"かんろ茶舗様へ、番茶（税込500円）を2袋お願いします"_qs,
         {u"番茶||2|袋|500|"_qs},
         Included,
         std::nullopt},
        {"a request under counted names is no option",
         u"番茶 ×2\n玄米茶 ×1\n代引き、午前着希望"_qs,
         {u"番茶||2|||"_qs, u"玄米茶||1|||"_qs},
         Unknown,
         std::nullopt},
        {"items under an アイテム heading; yen sign first under the name",
         u"■ご注文アイテム\n番茶 200g\n種類：粗挽き\n  ¥500 × 2\n合計 ¥1,000"_qs,
         {u"番茶 200g|種類：粗挽き|2||500|"_qs},
         Included,
         1000},
        {"count and option in brackets before the amount",
         u"【購入商品】\n◇ 番茶 ［1個］ 500円\n◇ 茶筒 ［色：黒］［2個］ 1,000円\n◇ 茶托 【3枚】 "
         u"300円\n"
         "合計：3,400円"_qs,
         {u"番茶||1|個|500|"_qs, u"茶筒|色：黒|2|個|1000|"_qs, u"茶托||3|枚|300|"_qs},
         Included,
         3400},
        {"tabbed table: an empty cell kept, an option column, a rate column",
         u"商品名\t品番\t選択肢\t単価\t個数\t税率\t小計\n番茶\t101\tのし:御祝\t500\t2\t8%\t1,000\n"
         "玄米茶\t102\t\t400\t1\t8%\t400\n請求金額\t1,400"_qs,
         {u"番茶|のし:御祝|2||500|軽"_qs, u"玄米茶||1||400|軽"_qs},
         Included,
         1400},
        {"tabbed row broken over lines: the name's cells, a code, then the amounts' cells",
         u"状態\t商品名\t詳細\t単価\t数量\t小計\n未発送\t番茶 200g\nSKU: BN-200\n"
         "\t￥500\t2\t￥1,000\n配送料:\t￥300\n注文合計:\t￥1,300"_qs,
         {u"番茶 200g||2||500|"_qs, u"配送料||1||300|"_qs},
         Included,
         1300},
        {"a tabbed list that prices nothing: count and name",
         u"数量\t商品の詳細\n2\t番茶 200g\n\tSKU: BN-200"_qs,
         {u"番茶 200g||2|||"_qs},
         Unknown,
         std::nullopt},
        {"a count label, then one amount: the order's total shows it is the price",
         u"商品\n番茶\n白\n数量: 1   ¥500\n\n玄米茶\n数量: 3   ¥600\n\n小計 ¥2,300\n合計 ¥2,300"_qs,
         {u"番茶|白|1||500|"_qs, u"玄米茶||3||600|"_qs},
         Included,
         2300},
        {"... and an amount the count does not divide is the price",
         u"商品\n玄米茶\n数量: 3   ¥400"_qs,
         {u"玄米茶||3||400|"_qs},
         Unknown,
         std::nullopt},
        {"an item priced in a chat sentence, the total after a comma",
         u"番茶 100g（500円）×3、送料無料で合計1,500円です。"_qs,
         {u"番茶 100g||3||500|"_qs},
         Included,
         1500},
        {"shipping named in passing is a row when the total includes it",
         u"・番茶（500円）を2袋\nホームページでは九州の送料は800円とありました。\n合計1,800円を振り込みます。"_qs,
         {u"番茶||2|袋|500|"_qs, u"送料||1||800|"_qs},
         Included,
         1800},
        {"... and none when the total does not",
         u"・番茶（500円）を2袋\nホームページでは九州の送料は800円とありました。\n合計1,000円を振り込みます。"_qs,
         {u"番茶||2|袋|500|"_qs},
         Included,
         1000},
        {"a fee in brackets after the payment method, as the total includes it",
         u"番茶　500円×2\nお支払い方法：代金引換（手数料330円）\n合計：1,330円"_qs,
         {u"番茶||2||500|"_qs, u"手数料||1||330|"_qs},
         Included,
         1330},
        {"items under a heading of other words; the count with its label in brackets",
         u"■お買い物内容\n番茶\n  ¥500 × 2\n・玄米茶 （数量：2袋）　400円\n合計 ¥1,800"_qs,
         {u"番茶||2||500|"_qs, u"玄米茶||2|袋|400|"_qs},
         Included,
         1800},
        {"a greeting, the item, its fee and total in one line of prose",
         u"ありがとうございます！番茶（500円）×2で、送料600円、合計1,600円になります。"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"an emoji ends the greeting before the item",
         u"ありがとうございます😊 番茶 500円×2、玄米茶 400円×1で、合計1,400円です"_qs,
         {u"番茶||2||500|"_qs, u"玄米茶||1||400|"_qs},
         Included,
         1400},
        {"fee and total in later sentences of a line",
         u"番茶　500円×2袋\n以上でお願いします。送料は600円と伺っています。合計1,600円ですね。"_qs,
         {u"番茶||2|袋|500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"fields of one item between slashes; a remark after a fee's word",
         u"番茶　単価 500円 / 数量 2 / 金額 1,000円\n送料（北海道）：800円\n合計：1,800円"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||800|"_qs},
         Included,
         1800},
        {"price, count and subtotal on the price's line; an option in brackets",
         u"商品：番茶\n　（のし：御礼）\n　単価：500円　数量：2　小計：1,000円\n合計：1,000円"_qs,
         {u"番茶|のし：御礼|2||500|"_qs},
         Included,
         1000},
        {"a bulleted reduced mark in brackets; an option in round brackets in the name",
         u"・【軽】番茶（のし：御礼）×2　1,000円\n合計：1,000円"_qs,
         {u"番茶|のし：御礼|2||500|軽"_qs},
         Included,
         1000},
        {"a chat line listing items and the fee in clauses",
         u"10:15\tかんろ茶舗\t番茶 500円×2、玄米茶 400円×1、送料600円で合計2,000円です"_qs,
         {u"番茶||2||500|"_qs, u"玄米茶||1||400|"_qs, u"送料||1||600|"_qs},
         Included,
         2000},
        {"a count glued to the name is the count when only that reaches the total",
         u"ご注文内容\n番茶 100g×2袋　¥500\n玄米茶 3g×30包　¥800\nご請求金額　¥1,800"_qs,
         {u"番茶 100g||2|袋|500|"_qs, u"玄米茶 3g×30包||1||800|"_qs},
         Included,
         1800},
        {"items in a box drawn with ┃; English labels",
         u"┏━━━━\n┃ 番茶\n┃ 500円 × 2個 ＝ 1,000円\n┗━━━━\nTea cup\nQty: 1   ¥800\nTotal ¥1,800"_qs,
         {u"番茶||2|個|500|"_qs, u"Tea cup||1||800|"_qs},
         Included,
         1800},
        {"a request in brackets under an item; the total after 送料込みで",
         u"・番茶　500円 × 2袋\n　（うち1袋は別包装でお願いします）\n送料込みで1,000円と伺っております。"_qs,
         {u"番茶||2|袋|500|"_qs},
         Included,
         1000},
        {"... but not an amount of an earlier order",
         u"番茶　500円 × 2\n合計 1,600円\n送料込みで1,400円でしたよね、前回は"_qs,
         {u"番茶||2||500|"_qs},
         Unknown,
         1600},
        {"a count on the name line that the price line contradicts was the name's",
         u"No.1 懐紙 5帖\n　　 300円 × 2点\n合計 600円"_qs,
         {u"懐紙 5帖||2|点|300|"_qs},
         Included,
         600},
        {"leader dots between the name and its price",
         u"番茶 100g ･･････ 500円 × 2\n玄米茶 ・・・・ 400円 × 1\n計 1,400円"_qs,
         {u"番茶 100g||2||500|"_qs, u"玄米茶||1||400|"_qs},
         Included,
         1400},
        {"the count's unit in brackets after its label",
         u"商品名：番茶\n単価：500円\n数量：2（箱）\n合計：1,000円"_qs,
         {u"番茶||2|箱|500|"_qs},
         Included,
         1000},
        {"names wrapped by the mailer go on; a long sentence before an item is no name",
         u"[商品]\n【送料無料】静岡 深蒸し茶 100g×3袋 メール便 ポスト投函 お試し\nセット\n"
         "価格  2,000(円) x 1(個) = 2,000(円)\n"
         "・かんろ茶舗 敬老の日ギフト 静岡茶 2缶セット 煎茶 ほうじ茶 化粧\n箱入り 3,000円 × 1\n"
         "先日はありがとうございました、今年もお歳暮をお願いしたくご連絡しました\n"
         "番茶 500円 × 2\n合計 6,000(円)"_qs,
         {u"【送料無料】静岡 深蒸し茶 100g×3袋 メール便 ポスト投函 お試しセット||1|個|2000|"_qs,
          u"かんろ茶舗 敬老の日ギフト 静岡茶 2缶セット 煎茶 ほうじ茶 化粧箱入り||1||3000|"_qs,
          u"番茶||2||500|"_qs},
         Included,
         6000},
        {"... after its label too",
         u"商品名：静岡 深蒸し茶 特上 100g 化粧箱入り ギフト お中元 御歳暮 内祝い お\n礼\n"
         "単価：3,000円\n数量：1"_qs,
         {u"静岡 深蒸し茶 特上 100g 化粧箱入り ギフト お中元 御歳暮 内祝い お礼||1||3000|"_qs},
         Unknown,
         std::nullopt},
        {"a table drawn with bars, its fee and total rows too",
         u"| 商品 | 単価 | 数量 | 小計 |\n|---|---|---|---|\n| 番茶 | ¥500 | 2 | ¥1,000 |\n"
         "| 送料 | | | ¥600 |\n| 合計 | | | ¥1,600 |"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"a code of one letter and digits before the name",
         u"A1024　番茶 100g　500円 × 2\n合計 1,000円"_qs,
         {u"番茶 100g||2||500|"_qs},
         Included,
         1000},
        {"the count, then times the price of one",
         u"番茶 2 × 500円\n急須 1個 × 1,000円\n合計 2,000円"_qs,
         {u"番茶||2||500|"_qs, u"急須||1|個|1000|"_qs},
         Included,
         2000},
        {"a total after 全部で in prose, never a count after it",
         u"番茶 500円 × 2\n全部で2袋です\n送料 600円\n全部で1,600円ですね。"_qs,
         {u"番茶||2||500|"_qs, u"送料||1||600|"_qs},
         Included,
         1600},
        {"in a priced mail a line without a price is reported",
         u"番茶 100g　3袋\n玉露　1,000円 × 1"_qs,
         {u"玉露||1||1000|"_qs},
         Unknown,
         std::nullopt,
         1},
    };
    expectRead(cases);
}

// Layouts of carts and senders met in mails written by people who had not
// seen the reader: each row one layout, with the rules it needs.
TEST(OrderLines, LayoutsOfSellerCopiesChatsAndTables)
{
    using enum OrderTaxMode;
    const Case cases[] = {
        {"a seller copy: the count before the name, two codes, the item's own subtotal",
         u"数量: 2\n商品名: 深蒸し煎茶 100g\nSKU: KR-100\nASIN: B0CX9K2L7T\n商品の価格: ￥1,780\n"
         "商品の小計: ￥3,560\n\n数量: 1\n商品名: 湯呑み\nSKU: KR-YU\nASIN: B0D1R4QJ2M\n"
         "商品の価格: ￥980\n\n商品の小計: ￥4,540\n注文の合計: ￥4,540"_qs,
         {u"深蒸し煎茶 100g||2||1780|"_qs, u"湯呑み||1||980|"_qs},
         Included,
         4540},
        {"a cart's summary: counted names, price and line total below, labels above amounts",
         u"注文のまとめ\n\n抹茶 30g × 2\n\n¥1,350\n¥2,700\n\n急須 × 1\nOption: 黒\n¥1,620\n"
         "\n小計\n¥4,320\n割引 (WELCOME10)\n-¥432\nShipping method: 60 size\n合計\n"
         "¥3,888 JPY"_qs,
         {u"抹茶 30g||2||1350|"_qs, u"急須|Option: 黒|1||1620|"_qs,
          u"割引 (WELCOME10)||1||-432|"_qs},
         Included,
         3888},
        {"a mail's HTML: image texts, cells one per line, a name wrapped after a blank",
         u"ご注文商品\n[商品画像]\t波佐見焼 マグ \nブルー × 2\n\u00A0\n¥1,980\n¥3,960\n"
         "煎茶 60g\n1,404円\n1\n1,404円\nギフト包装料\n0円\nお支払い金額\n5,364円"_qs,
         {u"波佐見焼 マグ ブルー||2||1980|"_qs, u"煎茶 60g||1||1404|"_qs},
         Included,
         5364},
        {"prices before the name; a table's row number and a discount with its rate",
         u"No.　品名　数量　単価　金額\n  2,000円 × 6 ＝ 12,000円　煎茶 業務用 5g×100\n"
         "2　 法人割引（5%）　　　　△600\n合計 11,400円"_qs,
         {u"煎茶 業務用 5g×100||6||2000|"_qs, u"法人割引||1||-600|"_qs},
         Included,
         11400},
        {"one tax figure for both rates, a discount spread over both: the food is reduced",
         u"深蒸し茶 100g　8袋　@3,000\n茶托 5枚組　2組　@2,500\n法人割引（5%）　△1,450\n"
         "小計 27,550円\n消費税 2,299円\n合計 29,849円（税抜価格）"_qs,
         {u"深蒸し茶 100g||8|袋|3000|軽"_qs, u"茶托 5枚組||2|組|2500|"_qs,
          u"法人割引||1||-1450|"_qs},
         Excluded,
         29849},
        {"a chat: speakers set off by blanks, a message in quotes, shipping told in a sentence",
         u"9:15 野口 亮 注文お願いします\n9:16 野口 亮 \"・ほうじ茶150g 1,080円×2\n"
         "送料は一律800円ですね\"\n9:30 野口 亮 合計2,960円で"_qs,
         {u"ほうじ茶150g||2||1080|"_qs, u"送料||1||800|"_qs},
         Included,
         2960},
        {"a memo without prices: listed names and bare counts",
         u"12/9 電話 宮本\n・玄米茶200g　3\n・茶羊羹　2本"_qs,
         {u"玄米茶200g||3|||"_qs, u"茶羊羹||2|本||"_qs},
         Unknown,
         std::nullopt},
        {"a labelled price with its mark, options after the name, a choice with its surcharge",
         u"■ご注文\n商品名：銘茶詰合せ　のし：御歳暮 / 名入れ：青木\n単価：￥5,400 ※\n数量：1\n"
         "商品名：和三盆\n単価：￥1,296\n数量：1\nラッピング : する(+110円)\n"
         "※ は軽減税率対象商品です。\n合計：￥6,696"_qs,
         {u"銘茶詰合せ|のし：御歳暮 / 名入れ：青木|1||5400|軽"_qs,
          u"和三盆|ラッピング : する(+110円)|1||1296|"_qs},
         Included,
         6696},
        {"cells one per line: a name with its own count, then price, × count, total",
         u"注文内容\n和紅茶 ティーバッグ 15包\n1,080円\n× 3\n3,240円\nクッキー 12枚\n¥980\n"
         "数量\n1\n¥980\nオプション価格 : 0円\n運賃 660円\n合計\n4,880円"_qs,
         {u"和紅茶 ティーバッグ 15包||3||1080|"_qs, u"クッキー 12枚||1||980|"_qs,
          u"運賃||1||660|"_qs},
         Included,
         4880},
        {"a packing slip: the count before the name, codes, the amounts a line below",
         u"数量\t商品の詳細\t単価\t注文合計\n2\t玉露 50g\nSKU: KR-GYK\nASIN: B0CK7X2QLM\n"
         "\t¥2,700\t¥5,400\n（税率8％対象 5,400円）\n合計 ¥5,400"_qs,
         {u"玉露 50g||2||2700|軽"_qs},
         Included,
         5400},
        {"an offer in a chat, confirmed later with counts; per bag, each, a note under the item",
         u"・ゆず煎茶　1,296円\n・フィナンシェ　1,350円\nでございます。\n"
         "ゆず煎茶 1袋1,296円×2\nフィナンシェ … 各1,350円 × 2\n　※1つは母用です\n"
         "合計 5,292円"_qs,
         {u"ゆず煎茶||2||1296|"_qs, u"フィナンシェ||2||1350|"_qs},
         Included,
         5292},
        {"a gift block's options, an English cart's variant and taxes marking the tea",
         u"Order summary\nSencha 100g × 2\nVariant: Loose leaf\n¥2,592\nTeapot × 1\n¥6,600\n"
         "[ギフト] のし：御歳暮\nTaxes (included)\n¥792\nTotal\n¥9,192 JPY"_qs,
         {u"Sencha 100g|Variant: Loose leaf|2||1296|軽"_qs, u"Teapot|のし：御歳暮|1||6600|"_qs},
         Included,
         9192},
        {"a detail copy: cells broken over lines, a field before the row's amounts",
         u"数量\t商品詳細\t単価 (税込)\t合計 (税込)\n1\tほうじ茶 200g\nSKU: KN-HJ\n"
         "注文商品ID: 2190738\t¥1,080\t¥1,080\n1\t急須 朱泥\n状態: 新品\t¥5,500\t¥5,500\n"
         "\n合計\t¥6,580"_qs,
         {u"ほうじ茶 200g||1||1080|"_qs, u"急須 朱泥||1||5500|"_qs},
         Included,
         6580},
        {"after the delivery's block a code opens the items; padded labels; the items' tax alone",
         u"配送方法：クール便\n[商品番号] ML-01\n　抹茶ラテの素\n　色　　：白\n"
         "　単価：1,188円　数量：2　小計：2,376円\n小計 ￥2,376 (うち消費税 ￥176)\n送料 660円\n"
         "合計 3,036円"_qs,
         {u"抹茶ラテの素|色：白|2||1188|軽"_qs, u"送料||1||660|"_qs},
         Included,
         3036},
        {"an admin screen: a head with tabs, names over their code rows; yen with sen",
         u"商品名/商品コード/規格\t金額\t数量\t税率\t小計\nほうじ茶 ティーバッグ 20包\n"
         "hoji-tb20\t￥864.00\t4\t8%\t￥3,456.00\n(K-301) 急須\nkyu-tkn\t￥5,500\t1\t10%\t￥5,500\n"
         "（ポイント利用前：8%対象 3,456円）\n合計 ￥8,956"_qs,
         {u"ほうじ茶 ティーバッグ 20包||4||864|軽"_qs, u"急須||1||5500|"_qs},
         Included,
         8956},
        {"a seller's mail: one price that is the line's, its seller no option",
         u"商品名: 抹茶 30g缶\n販売: かんろ茶舗\n数量: 3\n価格: ¥1,980\n合計: ¥1,980"_qs,
         {u"抹茶 30g缶||3||660|"_qs},
         Included,
         1980},
        {"a customer's sentences: several items counted, a heading with its first item",
         u"品物：深蒸し茶2本詰合せ　1箱\n麦茶パック：5袋\n"
         "本山茶100gを3袋と、玄米茶を2袋お願いします。"_qs,
         {u"深蒸し茶2本詰合せ||1|箱||"_qs, u"麦茶パック||5|袋||"_qs, u"本山茶100g||3|袋||"_qs,
          u"玄米茶||2|袋||"_qs},
         Unknown,
         std::nullopt},
        {"a cart's cells: the count alone before the price, an option after a price",
         u"注文概要\nほうじ茶ラテ\nサイズ: 200g\n× 1\n¥1,620\n● マグ ×1　@1,980円（色：白）\n"
         "化粧箱（1箱にまとめて） 箱代 110円\n合計 ¥3,710"_qs,
         {u"ほうじ茶ラテ|サイズ: 200g|1||1620|"_qs, u"マグ|色：白|1||1980|"_qs,
          u"箱代||1||110|"_qs},
         Included,
         3710},
        {"fields one per line, label over value; a free fee; a fee entered as an item",
         u"商品名\n抹茶ロール\n数量\n1\n単価\n2,916円\n[4] のし代\n価格：無料\n[5] 送料（東北）\n"
         "価格：990円\nクーポン値引き\n-300円\n合計\n3,606円"_qs,
         {u"抹茶ロール||1||2916|"_qs, u"送料||1||990|"_qs, u"クーポン値引き||1||-300|"_qs},
         Included,
         3606},
        {"a cart's title with its variation, a labelled count over the name's own, an option after "
         "the price",
         u"煎茶ティーバッグ 20包\nSKU: ST-20\n数量: 2\n¥1,296\n和菓子詰合せ - 12個入り / こしあん\n"
         "数量: 1\n¥3,456\n1) 湯呑　　1,650円 × 1　　名入れ：寿\n税（含む）　¥502\n合計 ¥6,402"_qs,
         {u"煎茶ティーバッグ 20包||2||648|軽"_qs, u"和菓子詰合せ|12個入り / こしあん|1||3456|軽"_qs,
          u"湯呑|名入れ：寿|1||1650|"_qs},
         Included,
         6402},
    };
    expectRead(cases);
}

// What stands around an item's name and is not the name: the reduced mark
// written as a remark, codes in brackets, remarks on fees, a box's border;
// and notes that say which items are reduced without marking them.
TEST(OrderLines, MarksAndRemarksAroundNames)
{
    using enum OrderTaxMode;
    const Case cases[] = {
        {"reduced remark before and after the name, in labelled fields",
         u"商品名：【8%対象】あさつゆ 100g\n単価：1,728円（税込）\n数量：1\n---\n"
         u"商品名：玉露 50g 【軽減税率対象】\n単価：3,240円\n数量：1\nお支払い金額：4,968円"_qs,
         {u"あさつゆ 100g||1||1728|軽"_qs, u"玉露 50g||1||3240|軽"_qs},
         Included,
         4968},
        {"reduced as （軽）, a leading 軽 and ※軽減税率 on one-line items",
         u"知覧茶 100g（軽）　1,296円 × 2\n軽 玄米茶 1kg　3,600円 × 1\n"
         u"棒ほうじ茶 100g ※軽減税率　1,404円 × 1\n合計 7,596円"_qs,
         {u"知覧茶 100g||2||1296|軽"_qs, u"玄米茶 1kg||1||3600|軽"_qs,
          u"棒ほうじ茶 100g||1||1404|軽"_qs},
         Included,
         7596},
        {"codes in brackets; a fee's remark and its delivery's number go",
         u"・[A-31] 本山茶詰合せ　5,400円 × 1\n和紅茶 50g (#WK-50)　1,296円 × 1\n"
         u"お届け先1 ギフトラッピング：330円\n送料（北海道）：1,320円\n名入れ料（2客分）：1,100円\n"
         u"合計：9,446円"_qs,
         {u"本山茶詰合せ||1||5400|"_qs, u"和紅茶 50g||1||1296|"_qs, u"ギフトラッピング||1||330|"_qs,
          u"送料||1||1320|"_qs, u"名入れ料（2客分）||1||1100|"_qs},
         Included,
         9446},
        {"a note that food is reduced marks the food, not the ware",
         u"煎茶 100g　1,080円 × 1\n急須 常滑焼　5,500円 × 1\n抹茶カステラ　1,944円 × 1\n"
         u"合計 8,524円\n※ 食品は軽減税率8%適用です。"_qs,
         {u"煎茶 100g||1||1080|軽"_qs, u"急須 常滑焼||1||5500|"_qs, u"抹茶カステラ||1||1944|軽"_qs},
         Included,
         8524},
        {"a note naming the reduced item",
         u"本山茶 特上 100g　1,620円 × 2\n湯呑 白磁　1,100円 × 1\n合計 4,340円\n"
         u"※本山茶は軽減税率（8%）対象です。"_qs,
         {u"本山茶 特上 100g||2||1620|軽"_qs, u"湯呑 白磁||1||1100|"_qs},
         Included,
         4340},
        {"a lone line total under price x count; a legend for *; a total before tax",
         u"深蒸し掛川茶 100g *\n　1,080円 × 4点\n　4,320円\n* 軽減税率対象商品\n"
         u"合計（税抜）　4,320円"_qs,
         {u"深蒸し掛川茶 100g||4|点|1080|軽"_qs},
         Excluded,
         4320},
        {"a fax table's 軽減 column",
         u"No.　品名　　軽減　単価　　数量　　金額\n1　　煎茶 "
         u"1kg　　※　　4,800円　　５袋　　24,000円\n"
         u"2　　急須　　　－　　3,000円　　１個　　3,000円\n合計（税別）　27,000円"_qs,
         {u"煎茶 1kg||5|袋|4800|軽"_qs, u"急須||1|個|3000|"_qs},
         Excluded,
         27000},
        {"an attribute in brackets, a kind's label, a delivery wish, a fee in a sentence",
         u"商品名：湯呑み 藍染め（色：白）\n価格：1,650円　数量：2　金額：3,300円\n"
         u"商品名：和紅茶セット\n　和紅茶の種類：べにふうき\n単価：2,400円\n数量：1\n"
         u"配送希望日 : 2026-12-12\n大分県でしたら送料770円です\n合計：6,470円"_qs,
         {u"湯呑み 藍染め|色：白|2||1650|"_qs, u"和紅茶セット|和紅茶の種類：べにふうき|1||2400|"_qs,
          u"送料||1||770|"_qs},
         Included,
         6470},
        {"marked names among the items; (※) and its legend",
         u"●ご注文内容\n　◆新茶詰合せ「翠」（※）\n　　のし：御歳暮\n　　3,240円 × 2個 ＝ 6,480円\n"
         u"　◆ほうじ茶 100g\n　　1,000円 × 1個 ＝ 1,000円\n　　（※）軽減税率8％対象\n"
         u"　お支払総額　7,480円"_qs,
         {u"新茶詰合せ「翠」|のし：御歳暮|2|個|3240|軽"_qs, u"ほうじ茶 100g||1|個|1000|"_qs},
         Included,
         7480},
        {"a note pointing back at an unpriced line",
         u"川根茶 100g × 2\n湯呑み 白磁 × 2　←箱はいらないとのこと"_qs,
         {u"川根茶 100g||2|||"_qs, u"湯呑み 白磁||2|||"_qs},
         Unknown,
         std::nullopt},
        {"codes in brackets of letters or long numbers; a rate column; bracketed options",
         u"商品番号　商品名/オプション　単価　数量　金額\n"
         u"[KC-YOKAN] 抹茶ようかん　5本入 (10000123)　1,296　2　2,592\n"
         u"煎茶 かんろ 100g 8%　1,512　1　1,512\n　[のし:御歳暮][名入れ:森]\n"
         u"急須 朱泥　3,240　1　3,240\n合計（税込）　7,344円"_qs,
         {u"抹茶ようかん 5本入||2||1296|"_qs,
          u"煎茶 かんろ 100g|のし:御歳暮 / 名入れ:森|1||1512|軽"_qs, u"急須 朱泥||1||3240|"_qs},
         Included,
         7344},
        {"circled numbers and a bracketed * in legends; food named after 対象",
         u"①深蒸し煎茶 500g　3,780　 4袋　15,120\n②急須 大　3,000　 1個　3,000\n"
         u"※①は軽減税率8%対象\n合計 18,120円（税込）"_qs,
         {u"深蒸し煎茶 500g||4|袋|3780|軽"_qs, u"急須 大||1|個|3000|"_qs},
         Included,
         18120},
        {"a count below a name that ended in one; 規格; the tax by rate on one line",
         u"*抹茶ラテ スティック 12本\n価格 972(円) x 2(個)\n商品名：来客用 煎茶 500g\n"
         u"規格：袋入り\n単価：￥3,000（税抜）\n数量：3\n（* は軽減税率8%の対象です）\n"
         u"消費税 8% 875円 / 10% 0円\n合計 11,819円（税込）"_qs,
         {u"抹茶ラテ スティック 12本||2|個|972|軽"_qs,
          u"来客用 煎茶 500g|規格：袋入り|3||3000|"_qs},
         Excluded,
         11819},
        {"a payment line and an order told in a sentence are no items; a rate remark and a "
         "price's label after the name go",
         u"山田 花子さんが ¥4,280 JPY の注文をしました。\n注文の概要\n"
         u"ガラスポット 700ml [10%対象] 単価 2,640円 × 1\nVisa 末尾 4421 — ¥4,280\n"
         u"県内なので送料550円です\n玄米茶 1,090円 × 1\n合計 ¥4,280"_qs,
         {u"ガラスポット 700ml||1||2640|"_qs, u"送料||1||550|"_qs, u"玄米茶||1||1090|"_qs},
         Included,
         4280},
        {"items in a drawn box, ★ explained by a legend",
         u"┏━━━━━━━━\n┃★和紅茶 40g\n┃　1,620円（税込）×2点＝3,240円\n┃　ミルクピッチャー 白\n"
         u"┃　1,100円（税込）×1点＝1,100円\n┗━━━━━━━━\n★印：軽減税率（8％）対象\n"
         u"合計：4,340円"_qs,
         {u"和紅茶 40g||2|点|1620|軽"_qs, u"ミルクピッチャー 白||1|点|1100|"_qs},
         Included,
         4340},
    };
    expectRead(cases);
}

TEST(OrderLines, NamesCutAtTheFieldNeverInsideAPair)
{
    // 49 characters, then 𠮷 (a surrogate pair) across the 50th.
    const QString name = QString(49, u'茶') + u"𠮷"_qs + u"セット"_qs;
    const OrderLines o = readOrderLines(u"商品名："_qs + name + u"\n単価：500円\n数量：1\n"_qs);
    ASSERT_EQ(o.rows.size(), 1);
    EXPECT_EQ(o.rows[0].name1, QString(49, u'茶'));
}

TEST(OrderLines, StatusAndNotices)
{
    OrderLines o;
    o.total = 8240;
    o.tax = OrderTaxMode::Included;
    EXPECT_EQ(orderLinesStatus(o, 8240), QString());
    EXPECT_EQ(orderLinesStatus(o, 8239),
              u"注文の合計 ¥8,240 と納品書の税込合計 ¥8,239 が ¥1 違います"_qs);
    o.unread = {u"番茶"_qs};
    o.tax = OrderTaxMode::Unknown;
    EXPECT_EQ(orderLinesStatus(o, std::nullopt),
              u"納品書の合計を計算できません　読めなかった明細：番茶　"
              "税込・税抜は注文文から判らないため変えていません"_qs);
    // Rows without a price: no tax mode to ask about.
    const OrderLines unpriced = readOrderLines(u"・番茶　3袋\n"_qs);
    ASSERT_EQ(unpriced.rows.size(), 1);
    EXPECT_EQ(orderLinesStatus(unpriced, 0), QString());
}

} // namespace

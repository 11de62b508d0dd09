#include "note/PrintNoteJson.h"

#include <QJsonArray>
#include <QJsonValue>
#include <array>
#include <type_traits>

namespace printing {
namespace {

// A date as "yyyy-MM-dd"; an invalid date as "".
QJsonValue toJson(const QDate &d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}
QJsonValue toJson(const QString &s)
{
    return s;
}
QJsonValue toJson(bool b)
{
    return b;
}
[[maybe_unused]] QJsonValue toJson(int i)
{
    return i;
}
template <class T, std::size_t N> QJsonValue toJson(const std::array<T, N> &a);
template <class S> QJsonValue toJson(const S &s) requires requires(const S &x)
{
    noteFields(x, [](const char *, const auto &) {});
}
{
    QJsonObject o;
    noteFields(s, [&o](const char *name, const auto &value) {
        o.insert(QLatin1String(name), toJson(value));
    });
    return o;
}
template <class T, std::size_t N> QJsonValue toJson(const std::array<T, N> &a)
{
    QJsonArray out;
    for (const T &x : a)
        out.append(toJson(x));
    return out;
}

// Each reader leaves the target as it is when the value has another type.
void fromJson(const QJsonValue &v, QDate &d)
{
    if (v.isString())
        d = QDate::fromString(v.toString(), Qt::ISODate);
}
void fromJson(const QJsonValue &v, QString &s)
{
    if (v.isString())
        s = v.toString();
}
void fromJson(const QJsonValue &v, bool &b)
{
    if (v.isBool())
        b = v.toBool();
}
[[maybe_unused]] void fromJson(const QJsonValue &v, int &i)
{
    if (v.isDouble())
        i = v.toInt();
}
template <class T, std::size_t N> void fromJson(const QJsonValue &v, std::array<T, N> &a);
template <class S> void fromJson(const QJsonValue &v, S &s) requires requires(S &x)
{
    noteFields(x, [](const char *, auto &) {});
}
{
    if (!v.isObject())
        return;
    const QJsonObject o = v.toObject();
    noteFields(s, [&o](const char *name, auto &value) {
        const auto it = o.constFind(QLatin1String(name));
        if (it != o.constEnd())
            fromJson(*it, value);
    });
}
template <class T, std::size_t N> void fromJson(const QJsonValue &v, std::array<T, N> &a)
{
    if (!v.isArray())
        return;
    const QJsonArray in = v.toArray();
    for (std::size_t k = 0; k < N && k < std::size_t(in.size()); ++k)
        fromJson(in.at(qsizetype(k)), a[k]);
}

} // namespace

const QLatin1String kTaxIncludedKey("taxIncluded");
const QLatin1String kHonorificKey("honorific");

QJsonObject printNoteToJson(const PrintNote &note)
{
    QJsonObject json = toJson(note).toObject();
    if (note.taxIncluded)
        json.insert(kTaxIncludedKey, true);
    if (!note.honorific.isEmpty() && note.honorific != defaultHonorific())
        json.insert(kHonorificKey, note.honorific);
    return json;
}

PrintNote printNoteFromJson(const QJsonObject &json)
{
    PrintNote note;
    fromJson(QJsonValue(json), note);
    fromJson(json.value(kTaxIncludedKey), note.taxIncluded);
    fromJson(json.value(kHonorificKey), note.honorific);
    return note;
}

} // namespace printing

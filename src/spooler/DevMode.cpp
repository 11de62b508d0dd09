#include "spooler/DevMode.h"

#include <algorithm>
#include <cstring>

namespace devmode {

QByteArray newBlock(const QString &deviceName, int driverExtra)
{
    QByteArray block(int(sizeof(DEVMODEW)) + std::max(driverExtra, 0), '\0');
    DEVMODEW *dm = fields(block);
    setWide(dm->dmDeviceName, CCHDEVICENAME, deviceName);
    dm->dmSpecVersion = DM_SPECVERSION;
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmDriverExtra = std::uint16_t(std::max(driverExtra, 0));
    return block;
}

DEVMODEW *fields(QByteArray &block)
{
    if (block.size() < qsizetype(sizeof(DEVMODEW)))
        return nullptr;
    return reinterpret_cast<DEVMODEW *>(block.data());
}

const DEVMODEW *fields(const QByteArray &block)
{
    if (block.size() < qsizetype(sizeof(DEVMODEW)))
        return nullptr;
    return reinterpret_cast<const DEVMODEW *>(block.constData());
}

char *driverBytes(QByteArray &block)
{
    return block.size() > qsizetype(sizeof(DEVMODEW)) ? block.data() + sizeof(DEVMODEW) : nullptr;
}

const char *driverBytes(const QByteArray &block)
{
    return block.size() > qsizetype(sizeof(DEVMODEW)) ? block.constData() + sizeof(DEVMODEW)
                                                      : nullptr;
}

void setWide(char16_t *field, int capacity, const QString &text)
{
    const int n = std::min<int>(int(text.size()), capacity - 1);
    std::memset(field, 0, sizeof(char16_t) * std::size_t(capacity));
    std::memcpy(field, text.utf16(), sizeof(char16_t) * std::size_t(n));
}

QString wide(const char16_t *field, int capacity)
{
    int n = 0;
    while (n < capacity && field[n] != 0)
        ++n;
    return QString::fromUtf16(field, n);
}

bool paperDimensions(int paperNumber, int &width, int &length)
{
    struct Paper
    {
        int number;
        int width;
        int length;
    };
    static constexpr Paper papers[] = {
        {DMPAPER_LETTER, 2159, 2794},
        {DMPAPER_A4, 2100, 2970},
        {DMPAPER_A5, 1480, 2100},
        {DMPAPER_B5, 1820, 2570},
        {DMPAPER_JAPANESE_POSTCARD, 1000, 1480},
    };
    for (const Paper &p : papers) {
        if (p.number == paperNumber) {
            width = p.width;
            length = p.length;
            return true;
        }
    }
    return false;
}

} // namespace devmode

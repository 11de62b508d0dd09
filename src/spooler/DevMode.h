#pragma once
// The printer settings block in the Windows DEVMODEW layout (printer fields
// only; the display union members share storage with them and are not
// needed here), its field flags and the paper, bin, orientation and other
// constants. A block is the public part (dmSize bytes) followed by
// dmDriverExtra bytes that belong to the driver.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace devmode {

// dmFields flags.
inline constexpr std::uint32_t DM_ORIENTATION = 0x00000001;
inline constexpr std::uint32_t DM_PAPERSIZE = 0x00000002;
inline constexpr std::uint32_t DM_PAPERLENGTH = 0x00000004;
inline constexpr std::uint32_t DM_PAPERWIDTH = 0x00000008;
inline constexpr std::uint32_t DM_SCALE = 0x00000010;
inline constexpr std::uint32_t DM_COPIES = 0x00000100;
inline constexpr std::uint32_t DM_DEFAULTSOURCE = 0x00000200;
inline constexpr std::uint32_t DM_PRINTQUALITY = 0x00000400;
inline constexpr std::uint32_t DM_COLOR = 0x00000800;
inline constexpr std::uint32_t DM_DUPLEX = 0x00001000;
inline constexpr std::uint32_t DM_YRESOLUTION = 0x00002000;
inline constexpr std::uint32_t DM_TTOPTION = 0x00004000;
inline constexpr std::uint32_t DM_COLLATE = 0x00008000;
inline constexpr std::uint32_t DM_FORMNAME = 0x00010000;
inline constexpr std::uint32_t DM_LOGPIXELS = 0x00020000;
inline constexpr std::uint32_t DM_MEDIATYPE = 0x02000000;
inline constexpr std::uint32_t DM_DITHERTYPE = 0x04000000;

// dmPaperSize values used by this program's backends.
inline constexpr int DMPAPER_LETTER = 1;
inline constexpr int DMPAPER_A4 = 9;
inline constexpr int DMPAPER_A5 = 11;
inline constexpr int DMPAPER_B5 = 13;                // JIS B5 182 x 257 mm
inline constexpr int DMPAPER_JAPANESE_POSTCARD = 43; // Hagaki 100 x 148 mm
inline constexpr int DMPAPER_USER = 256;

// dmDefaultSource values.
inline constexpr int DMBIN_UPPER = 1;
inline constexpr int DMBIN_ONLYONE = 1;
inline constexpr int DMBIN_LOWER = 2;
inline constexpr int DMBIN_MIDDLE = 3;
inline constexpr int DMBIN_MANUAL = 4;
inline constexpr int DMBIN_ENVELOPE = 5;
inline constexpr int DMBIN_ENVMANUAL = 6;
inline constexpr int DMBIN_AUTO = 7;
inline constexpr int DMBIN_TRACTOR = 8;
inline constexpr int DMBIN_USER = 256;

inline constexpr int DMORIENT_PORTRAIT = 1;
inline constexpr int DMORIENT_LANDSCAPE = 2;

inline constexpr int DMCOLOR_MONOCHROME = 1;
inline constexpr int DMCOLOR_COLOR = 2;

inline constexpr int DMDUP_SIMPLEX = 1;
inline constexpr int DMDUP_VERTICAL = 2;
inline constexpr int DMDUP_HORIZONTAL = 3;

inline constexpr int DMCOLLATE_FALSE = 0;
inline constexpr int DMCOLLATE_TRUE = 1;

// Negative dmPrintQuality codes.
inline constexpr int DMRES_DRAFT = -1;
inline constexpr int DMRES_LOW = -2;
inline constexpr int DMRES_MEDIUM = -3;
inline constexpr int DMRES_HIGH = -4;

inline constexpr std::uint16_t DM_SPECVERSION = 0x0401;

inline constexpr int CCHDEVICENAME = 32;
inline constexpr int CCHFORMNAME = 32;

} // namespace devmode

// Field names, order and offsets as published for Windows (220 bytes).
struct DEVMODEW
{
    char16_t dmDeviceName[devmode::CCHDEVICENAME];
    std::uint16_t dmSpecVersion;
    std::uint16_t dmDriverVersion;
    std::uint16_t dmSize;
    std::uint16_t dmDriverExtra;
    std::uint32_t dmFields;
    std::int16_t dmOrientation;
    std::int16_t dmPaperSize;
    std::int16_t dmPaperLength; // tenths of a millimetre
    std::int16_t dmPaperWidth;  // tenths of a millimetre
    std::int16_t dmScale;       // percent
    std::int16_t dmCopies;
    std::int16_t dmDefaultSource;
    std::int16_t dmPrintQuality; // x dpi, or a negative DMRES_* code
    std::int16_t dmColor;
    std::int16_t dmDuplex;
    std::int16_t dmYResolution;
    std::int16_t dmTTOption;
    std::int16_t dmCollate;
    char16_t dmFormName[devmode::CCHFORMNAME];
    std::uint16_t dmLogPixels;
    std::uint32_t dmBitsPerPel;
    std::uint32_t dmPelsWidth;
    std::uint32_t dmPelsHeight;
    std::uint32_t dmNup; // shares storage with dmDisplayFlags
    std::uint32_t dmDisplayFrequency;
    std::uint32_t dmICMMethod;
    std::uint32_t dmICMIntent;
    std::uint32_t dmMediaType;
    std::uint32_t dmDitherType;
    std::uint32_t dmReserved1;
    std::uint32_t dmReserved2;
    std::uint32_t dmPanningWidth;
    std::uint32_t dmPanningHeight;
};

static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

namespace devmode {

// A whole settings block: the public fields followed by the driver's bytes.
// The bytes are kept in a QByteArray so a block copies like a value.
QByteArray newBlock(const QString &deviceName, int driverExtra);

// The public fields of a block (nullptr when the block is too short).
DEVMODEW *fields(QByteArray &block);
const DEVMODEW *fields(const QByteArray &block);

// The driver's bytes after the public part, and their count.
char *driverBytes(QByteArray &block);
const char *driverBytes(const QByteArray &block);

// Writes a string into a fixed wide-character field, cut to fit with a
// terminating NUL; reads it back up to the first NUL.
void setWide(char16_t *field, int capacity, const QString &text);
QString wide(const char16_t *field, int capacity);

// The sheet of a standard paper number in tenths of a millimetre (portrait
// width and length); false for numbers this program does not know.
bool paperDimensions(int paperNumber, int &width, int &length);

} // namespace devmode

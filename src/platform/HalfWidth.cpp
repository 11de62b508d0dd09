#include "platform/HalfWidth.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <memory>
#include <mutex>

namespace {

// The transliterator is costly to build; one instance serves the whole run.
// ICU does not promise that one instance may be used by two threads at once,
// hence the lock.
struct HalfWidthMapper {
    std::mutex lock;
    std::unique_ptr<icu::Transliterator> transliterator;

    HalfWidthMapper()
    {
        UErrorCode status = U_ZERO_ERROR;
        transliterator.reset(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8(
                "[^\\u2190-\\u2193\\u2502\\u25A0\\u25CB] Fullwidth-Halfwidth"),
            UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            transliterator.reset();
    }
};

HalfWidthMapper &mapper()
{
    static HalfWidthMapper instance;
    return instance;
}

} // namespace

QString toHalfWidth(const QString &text)
{
    if (text.isEmpty())
        return text;
    HalfWidthMapper &m = mapper();
    if (!m.transliterator)
        return text;
    icu::UnicodeString buffer(reinterpret_cast<const UChar *>(text.utf16()),
                              static_cast<int32_t>(text.size()));
    {
        std::lock_guard guard(m.lock);
        m.transliterator->transliterate(buffer);
    }
    return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
}

// The lenient JSON reader takes any bytes; what it reads, the writer writes
// and the reader reads back as the same value. Doubles are written with six
// digits, so for them the written text is what must stay the same.

#include "FuzzSupport.h"
#include "model/Json.h"

#include <cstdlib>

namespace {

bool holdsDouble(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    case QMetaType::QVariantList:
        for (const QVariant &element : value.toList())
            if (holdsDouble(element))
                return true;
        return false;
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (holdsDouble(it.value()))
                return true;
        return false;
    }
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bool ok = false;
    const QVariant value = Json::parseUtf8(FuzzSupport::bytes(data, size), ok);
    if (!ok)
        return 0;
    bool written = false;
    const QByteArray text = Json::serialize(value, written);
    if (!written)
        return 0; // a double that is not finite has no JSON form
    bool readBack = false;
    const QVariant back = Json::parseUtf8(text, readBack);
    if (!readBack || Json::serialize(back) != text)
        abort();
    if (!holdsDouble(value) && back != value)
        abort();
    return 0;
}

// The stand-in service's reader of form bodies takes any bytes.

#include "FormBody.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto fields = parseFormBody(FuzzSupport::bytes(data, size));
    if (fields) {
        for (auto it = fields->cbegin(); it != fields->cend(); ++it)
            (void)it.value().size();
    }
    return 0;
}

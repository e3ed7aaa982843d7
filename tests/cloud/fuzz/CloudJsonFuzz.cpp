// Any answer of the cloud API: the readers return without fault, and what they accept is of the
// shape they promise, with nothing in it that could end a header.
#include "cloud/CloudAnswers.h"
#include "cloud/HeaderText.h"
#include "cloud/JsonAnswer.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool withinLimits =
        size <= cloud::kMaxJsonAnswerBytes && cloud::jsonNestingDepth(text) <= cloud::kMaxJsonDepth;
    cloud::UploadGrant grant;
    if (cloud::parseTokenAnswer(text, &grant) == cloud::GrantParse::Ok) {
        if (!withinLimits) std::abort();
        for (const std::string* s : {&grant.domain, &grant.uptoken, &grant.key})
            if (!cloud::isSafeHeaderText(*s)) std::abort();
    }
    if (cloud::fileInfoAccepted(text) && !withinLimits) std::abort();
    return 0;
}

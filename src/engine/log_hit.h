// One accepted log line as a fixed 40-byte record of interned keys and numbers.
#pragma once

#include <cstdint>

namespace vestrel {

struct TLogHit {
    int32_t HostKey;
    int32_t UserKey;
    double Time;
    int32_t UrlKey;
    uint8_t Method;   // 0 none or other, 1 GET, 2 PUT, 3 HEAD, 4 POST
    uint8_t Version;  // 0 other, 1 HTTP/1.0, 2 HTTP/1.1
    uint16_t Status;
    int32_t Bytes;
    int32_t ReferrerKey;
    int32_t AgentKey;
    int32_t Uid;
};
static_assert(sizeof(TLogHit) == 40, "the hit record is 40 bytes");

enum THitSortKey { skHost, skUser, skTime, skPath, skStatus, skBytes, skReferrer, skAgent, skUid };

}  // namespace vestrel

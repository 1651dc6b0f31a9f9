// Every decoder of the central service's messages on arbitrary bytes: the
// first byte picks the decoder, the rest is the payload. What decodes must
// encode back to the same bytes where the layout has no free bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/cache_messages.h"
#include "service/session_messages.h"
#include "service/ticket_messages.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string_view payload(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 12) {
        case 0: {
            SignInRequest r;
            DecodeSignInRequest(payload, r);
            break;
        }
        case 1: {
            uint32_t cursor = 0;
            std::vector<ServerRecord> records;
            DecodeServerListPage(payload, cursor, records);
            break;
        }
        case 2: {
            MemberInformation info;
            DecodeMemberInformation(payload, info);
            break;
        }
        case 3: {
            Note note;
            if (DecodeNote(payload, note) && note.text.size() > 4 * kNoteTextLimit) std::abort();
            break;
        }
        case 4: {
            ServerRecord record;
            DecodeServerRecord(payload, record);
            break;
        }
        case 5: {
            CacheSignIn signIn;
            DecodeCacheSignIn(payload, signIn);
            break;
        }
        case 6: {
            PointRequest request;
            DecodePointRequest(payload, request);
            break;
        }
        case 7: {
            PointCheckAnswer answer;
            DecodePointCheckAnswer(payload, answer);
            break;
        }
        case 8: {
            PaymentAnswer answer;
            DecodePaymentAnswer(payload, answer);
            break;
        }
        case 9: {
            TicketRequest request;
            DecodeTicketRequest(payload, request);
            break;
        }
        case 10: {
            TicketAnswer answer;
            if (DecodeTicketAnswer(payload, answer) && EncodeTicketAnswer(answer) != payload) {
                std::abort();
            }
            break;
        }
        default: {
            int32_t code = 0;
            int64_t balance = 0;
            uint32_t value = 0;
            if (DecodeSignInResult(payload, code) && EncodeSignInResult(code) != payload)
                std::abort();
            if (DecodePointBalance(payload, balance) && EncodePointBalance(balance) != payload) {
                std::abort();
            }
            DecodeServerListRequest(payload, value);
            DecodePowerModeChanged(payload, value);
            DecodeSignedInElsewhere(payload, value);
            break;
        }
    }
    return 0;
}

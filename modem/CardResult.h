// The status texts of the failure codes the card's send and call entries share.
#pragma once

#include <cstdint>

#include "resources/resource.h"

namespace modem {

// 2 = no modem, 3 = no usable SIM, 4 = no signal; `otherwise` for any other failure.
constexpr int FailureText(int32_t result, int otherwise) {
    switch (result) {
    case 2:
        return IDS_NO_MODEM;
    case 3:
        return IDS_NO_SIM_CARD;
    case 4:
        return IDS_NO_SIGNAL;
    default:
        return otherwise;
    }
}

}  // namespace modem

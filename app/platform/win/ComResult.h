#pragma once

#include "app/platform/PlatformResult.h"

#include <windows.h>

namespace kiv::platform::win {

// The COM answer for the layer's result.
inline HRESULT toHresult(Result result)
{
    switch (result) {
    case Result::Success:
        return S_OK;
    case Result::InvalidArgument:
        return E_INVALIDARG;
    case Result::Failure:
        break;
    }
    return E_FAIL;
}

} // namespace kiv::platform::win

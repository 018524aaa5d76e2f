#pragma once

#include "contract/automation_contract.h"
#include "vestrel/version.h"

namespace vestrel::e2e {

// The main window's caption: the design-time caption and the version.
inline constexpr const wchar_t* kVersionedCaption = L"Marlowin (" VESTREL_VERSION_TEXT L")";

}  // namespace vestrel::e2e

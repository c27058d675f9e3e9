#include "launch/AddressOptions.h"

namespace kestrum {

std::optional<SettingsError> takeAddressOption(const AddressOption& option,
                                               const std::string& address, Settings& settings) {
    if (auto error = checkAddress("--" + std::string(option.name), address)) {
        return error;
    }
    settings.*option.field = address;
    return std::nullopt;
}

} // namespace kestrum

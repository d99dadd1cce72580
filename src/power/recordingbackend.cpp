#include "power/recordingbackend.h"

#include <memory>

namespace tovik::power {

RecordingBackend& RecordingBackend::install() {
    auto backend = std::make_unique<RecordingBackend>();
    RecordingBackend& installed = *backend;
    setBackendForTesting(std::move(backend));
    return installed;
}

} // namespace tovik::power

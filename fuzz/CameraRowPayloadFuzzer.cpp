// Drag payloads of the camera editor, as any program may drop them: the row
// reader must agree with an independent decimal reader, and a move must keep
// every camera, in order, whatever the payload names.
#include "FuzzInput.h"

#include "settings/CameraListDraft.h"
#include "settings/CameraRowPayload.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace {

// An optional sign, ASCII digits, nothing else, within 64 bits.
std::optional<std::int64_t> referenceRow(std::string_view text) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return std::nullopt;
        }
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

QList<rure::Camera> threeCameras() {
    return {{QStringLiteral("A"), QStringLiteral("rtsp://a")},
            {QStringLiteral("B"), QStringLiteral("rtsp://b")},
            {QStringLiteral("C"), QStringLiteral("rtsp://c")}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using rure::fuzz::require;
    const QByteArray bytes = rure::fuzz::bytes(data, size);
    // The editor reads a drop's data the same way.
    const QString payload = QString::fromUtf8(bytes);
    const std::optional<std::int64_t> row = rure::parseCameraRowPayload(payload);
    require(row == referenceRow(
                       std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
            "the row reader agrees with std::from_chars");
    if (row) {
        require(rure::parseCameraRowPayload(rure::cameraRowPayload(*row)) == row,
                "the payload written for a row reads back as that row");
    }

    const QList<rure::Camera> before = threeCameras();
    for (qsizetype dropRow = 0; dropRow <= before.size(); ++dropRow) {
        rure::CameraListDraft draft(before);
        const std::optional<qsizetype> landed = draft.move(payload, dropRow);
        const bool named = row && *row >= 0 && *row < before.size();
        require(landed.has_value() == named, "a drop moves exactly when it names a row");
        if (!landed) {
            require(draft.cameras() == before, "a refused drop changes nothing");
            continue;
        }
        require(*landed >= 0 && *landed < draft.size(), "the moved camera lands in the list");
        require(draft.cameras().at(*landed) == before.at(*row), "the named camera is moved");
        QList<rure::Camera> others = draft.cameras();
        others.removeAt(*landed);
        QList<rure::Camera> expectedOthers = before;
        expectedOthers.removeAt(*row);
        require(others == expectedOthers, "the other cameras keep their order");
    }
    return 0;
}

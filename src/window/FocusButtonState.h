#pragma once

namespace rure {

// What the focus button over the picture offers.
enum class FocusButtonState {
    focusOnArea,     // start selecting an area
    cancelSelection, // a selection is in progress
    showOriginal,    // an area is shown; the button brings back the whole picture
};

} // namespace rure

#pragma once
// The window's small pictures, drawn once in code: the progress picture, the
// extra-features button glyph and the two state marks of the parameter grid.

#include <QPixmap>

namespace vtq {

// 156 x 156, shown at the top of the progress window.
const QPixmap& ProgressPicture();
// Glyph of the tall extra-features button.
const QPixmap& ExtraFeaturesPicture();
// 47 x 14: value edited but not yet written to the target.
const QPixmap& NotStoredPicture();
// 57 x 13: value written to the target's RAM mirror, not yet committed.
const QPixmap& InTargetRAMPicture();

}  // namespace vtq

#pragma once
// Icons from the desktop's theme, with the SVGs we ship when the theme lacks one.
#include <QIcon>

namespace velorin {

// Registers the shipped icons (a static library's resources need it once).
void InitUiResources();
// The theme's `themeName`, else ":/icons/<fallback>.svg".
QIcon ThemedIcon(const char* themeName, const char* fallback);
// Ours only: the application icon.
QIcon AppIcon();

}  // namespace velorin

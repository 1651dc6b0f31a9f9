#pragma once
// The start-up picture shown while the start-up checks this machine's reachability.
#include <QPixmap>

namespace velorin {

QPixmap SplashPicture();

}  // namespace velorin

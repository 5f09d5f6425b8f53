#include "playback/player.h"

#include "settings/settings.h"

bool Player::Muted() const { return silent || gSettings.Mute == 1; }

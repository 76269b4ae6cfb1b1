#pragma once

namespace online {

class Gateway;

// "Update from &Online..." and "Online Lookup" under "&Collection", and "&Look Up..." in the editor.
void RegisterFeature();

// The program's one gateway, its TMDb services configured afresh from the settings.
Gateway& SharedGateway();

} // namespace online

// Resource identifiers of FlickvaneSettings.exe.
#pragma once

#define IDS_LAUNCH_FAILED 1

// The media of a project: its sprites, sounds, backgrounds, scripts and data files.
//
// One floor's part of a project (format/core/Support_Project.h explains the
// parts); the project object (project/Project_Main.h) owns one.
#pragma once

#include <cstdint>

#include "format/core/Resource_List.h"
#include "format/core/Support_Project.h"
#include "format/media/Background_Class.h"
#include "format/media/DataFile_Class.h"
#include "format/media/Script_Class.h"
#include "format/media/Sound_Class.h"
#include "format/media/Sprite_Class.h"

namespace transvane {

struct CMediaModel {
    CResourceList<CSprite> Sprites{"sprite"};
    CResourceList<CSound> Sounds{"sound"};
    CResourceList<CBackground> Backgrounds{"background"};
    CResourceList<CScript> Scripts{"script"};
    CResourceList<CDataFile> DataFiles{"data file"};
};

}  // namespace transvane

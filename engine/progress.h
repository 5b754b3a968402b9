// What a stage reports as it goes, as typed events: a step begun, how far a step has got, a
// file put in place. The console's lines are rendered from them (ConsoleLine), its fixed
// texts in the language the core speaks; the window's status bar and the lists of written
// files read the events themselves, never the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/enums.h"

namespace talvero {

enum class ProgressStep : uint8_t {
  Load,          // File: the panorama
  Normalize,     // the panorama's size is normalised
  Level,         // the panorama is levelled
  CubeMap,       // Done of Total (4) quarters of the map; Done 0 begins the step
  Warp,          // Done of Total dots of the four strips, a quarter each; Done 0 begins
  SphereArea,    // the sphere's processing area
  WriteImages,   // the images are about to be written
  Image,         // File: image Done of Total (its name), about to replace its file
  FacePiece,     // piece Done of Total of the image just announced: the back face's two
                 // halves, a cap's four triangles
  VistaTexture,  // the vista texture is about to be written
  Scene,         // the scene stage begins
  Mesh,          // the scene mesh is built
  SceneWritten,  // File: the scene file, whose files are all written
  FileWritten,   // File: the path of a file that has just replaced its target
};

struct ProgressEvent {
  ProgressStep Step;
  int32_t Done = 0;
  int32_t Total = 0;
  std::string File;
};

struct ConsoleLineText {
  std::string Text;
  TSimProgressMode Mode;  // spAppend starts a line, spUpdate continues the last one
};

// The console's text for an event; none for a file written.
std::optional<ConsoleLineText> ConsoleLine(const ProgressEvent& event);

}  // namespace talvero

// talvero-convert: panorama to flight-simulator scenery without a window.
#include <iostream>

#include "cli/convert_job.h"

int main(int argc, char** argv) { return talvero::ConverterMain(argc, argv, std::cout, std::cerr); }

// The banner and the usage text.
#pragma once

void printBanner();
void printUsage();

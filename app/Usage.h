// The banner, the usage text and the version line.
#pragma once

void printBanner();
void printUsage();
void printVersion();

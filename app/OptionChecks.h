// Refusals of options that would have no effect in the layout chosen, before any file is touched.
#pragma once

#include "app/JobSettings.h"

// An A/B option for another slot count than the layout's, -split with a two-sided 2-up order,
// -offset_split without split back, in the layout the options chose: throws CPdfException
// saying what to use instead.
void refuseIneffectiveOptions(const JobSettings& settings, const Layout& layout);

// Throws CPdfException when the page range -s..-e holds no page of an input of pageCount pages.
void refuseEmptyRange(const JobSettings& settings, const Layout& layout, int pageCount);

// Content streams of a page: listing them, renaming resource names in them and re-compressing them.
#pragma once

#include <map>
#include <string>

#include "writer/WriteContext.h"

using RenameTable =
    std::map<std::string, std::string>;  // old resource name -> new name, no slashes

// zlib level 9 into a buffer of at least deflateBound; false on failure.
bool deflateBuffer(const std::string& data, std::string& compressed);

// Renames whole name tokens (/Old followed by white space, a delimiter or the end) outside
// strings, comments and inline image data.
std::string renameResourceNames(const std::string& content, const RenameTable& renames);

// Writes a renamed copy of content stream num as a NEW object (the original stays as it was,
// other pages may share it) and returns the new object's number.
int rewriteContentStream(WriteContext& ctx, int num, int gen, const RenameTable& renames);

// The page's content stream references, one " %d %d R " item per stream; with renames non-null
// and non-empty each stream is rewritten first and the item names the rewritten copy.
std::string collectContents(WriteContext& ctx, int pageObjNum, const RenameTable* renames);

// The same from the page's /Contents value as stored (a Null one for a page without), for a
// caller that read the page dictionary already: parsing it again for every sheet is costly.
std::string collectStoredContents(WriteContext& ctx, const CPdfObject& stored,
                                  const RenameTable* renames);

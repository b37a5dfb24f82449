// Tests of the stored-object scanner: where objects end and which tokens are references.
#include "pdf/RawObject.h"

#include <gtest/gtest.h>

#include "pdf/PdfSyntax.h"
#include "pdf/PdfTestSupport.h"

namespace {

// Scans text as object 5; "-" when the scan fails, else the references found as "num gen,".
std::string scanRefs(const std::string& text) {
    ByteSource source(text);
    RawObject obj;
    if (!scanRawObject(source, 5, true, nullptr, obj) || obj.num != 5) return "-";
    std::string refs;
    for (const TextReference& ref : obj.refs) refs += formatText("%d %d,", ref.num, ref.gen);
    return refs;
}

}  // namespace

TEST(RawObject, ReferencesFound) {
    // Each row: stored text, then its references ("-": the scan refuses it).
    expectRows(
        {"5 0 obj << /A 1 0 R /B [2 0 R 3 1 R] >> endobj => 1 0,2 0,3 1,",
         "5 0 obj<</A 1 0 R/B[7 0 R]>>endobj => 1 0,7 0,", "5 0 obj [1 2 0 R 3] endobj => 2 0,",
         "5 0 obj [1 0 R 0 R] endobj => 1 0,",
         // Strings, hex strings and comments hold no references.
         "5 0 obj << /T (see 1 0 R \\) 2 0 R) /H <01 0 R> >> endobj => ",
         "5 0 obj << /T (a (nested 1 0 R) b) /C 4 0 R >> endobj => 4 0,",
         "5 0 obj << % 1 0 R\n/A 9 0 R >> endobj => 9 0,",
         // Signed or real numbers do not make a reference, nor do numbers split by a bracket.
         "5 0 obj [ -1 0 R 1.0 0 R +2 0 R ] endobj => ", "5 0 obj [ 1 [ 0 R ] ] endobj => ",
         // Too many digits: still a reference, but naming nothing.
         "5 0 obj [ 99999999999 0 R 1 70000 R ] endobj => -1 0,1 -1,",
         // Stream data is never searched.
         "5 0 obj << /Length 6 >> stream\n1 0 R \nendstream endobj => ",
         // Damage: no endobj before the next object, unclosed strings, no endstream, another
         // number, a stream where none is allowed, nothing at all, nesting beyond the limit.
         "5 0 obj << /A 1 >>\n6 0 obj << >> endobj => -", "5 0 obj (unclosed endobj => -",
         "5 0 obj <41 endobj => -", "5 0 obj << /Length 2 >> stream\nab endobj => -",
         "6 0 obj 1 endobj => -", "5 0 obj << >> endstream endobj => -", " => -", "5 0 => -",
         "5 99999 obj 1 endobj => -", "5 0 obj " + std::string(kMaxNesting, '[') + " endobj => ",
         "5 0 obj " + std::string(kMaxNesting + 1, '[') + " endobj => -"},
        scanRefs);
    RawObject obj;
    // Members of object streams cannot hold streams.
    ByteSource member("5 0 obj\r<< /Length 1 >> stream\nx\nendstream endobj\r");
    EXPECT_FALSE(scanRawObject(member, 5, false, nullptr, obj));
}

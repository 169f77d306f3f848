// Step 3: the phone index and the text documents, two independent jobs each
// guarded by the absence of its target.
#include "convert/conversion.hpp"
#include "convert/phones_texts.hpp"

void BuildPhoneIndexAndTexts(plat::Dialog*) {
  convert::BuildPhoneIndex();
  convert::ConvertTextDocuments();
}

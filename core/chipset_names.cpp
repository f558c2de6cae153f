// Display names of the graphics devices, searched in order.
#include "devices/device_ids.h"
#include "session.h"

namespace {
const ChipsetName kChipsetNames[] = {
    {AVA_DID_1, "Varnel Lumagraph AVA-1 Graphics Controller"},
    {AVA_DID_2, "Varnel Lumagraph AVA-2 Graphics Controller"},
    {AVA_DID_3, "Varnel Lumagraph AVA-3 Graphics Controller"},
    {AVA_DID_4, "Varnel Lumagraph AVA-4 Graphics Controller"},
    {AVA_DID_5, "Varnel Lumagraph AVA-5 Graphics Controller"},
    {DOV_DID_1, "Varnel Lumagraph DOV-1 Graphics Controller"},
    {DOV_DID_2, "Varnel Lumagraph DOV-2 Graphics Controller"},
    {DOV_DID_3, "Varnel Lumagraph DOV-3 Graphics Controller"},
    {DOV_DID_4, "Varnel Lumagraph DOV-4 Graphics Controller"},
    {DOV_DID_5, "Varnel Lumagraph DOV-5 Graphics Controller"},
    {DOV_DID_6, "Varnel Lumagraph DOV-6 Graphics Controller"},
    {DOV_DID_7, "Varnel Lumagraph DOV-7 Graphics Controller"},
    {DOV_DID_8, "Varnel Lumagraph DOV-8 Graphics Controller"},
    {CYR_DID_1, "Varnel Lumagraph CYR-1 Graphics Controller"},
    {CYR_DID_2, "Varnel Lumagraph CYR-2 Graphics Controller"},
    {CYR_DID_3, "Varnel Lumagraph CYR-3 Graphics Controller"},
    {CYR_DID_4, "Varnel Lumagraph CYR-4 Graphics Controller"},
    {CYR_DID_5, "Varnel Lumagraph CYR-5 Graphics Controller"},
    {CYR_DID_6, "Varnel Lumagraph CYR-6 Graphics Controller"},
    {CYR_DID_7, "Varnel Lumagraph CYR-7 Graphics Controller"},
    {CYR_DID_8, "Varnel Lumagraph CYR-8 Graphics Controller"},
    {CYR_DID_9, "Varnel Lumagraph CYR-9 Graphics Controller"},
    {CYR_DID_10, "Varnel Lumagraph CYR-10 Graphics Controller"},
    {CYR_DID_11, "Varnel Lumagraph CYR-11 Graphics Controller"},
    {CYR_DID_12, "Varnel Lumagraph CYR-12 Graphics Controller"},
    {CYR_DID_13, "Varnel Lumagraph CYR-13 Graphics Controller"},
    {EFT_DID, "Varnel Lumagraph EFT Graphics Controller"},
    {FYN_DID, "Varnel Lumagraph FYN Graphics Controller"},
    {BEX_DID_0, "Varnel Lumagraph BEX-0 Graphics Controller"},
    {BEX_DID_1, "Varnel Lumagraph BEX-1 Graphics Controller"},
    {BEX_DID_2, "Varnel Lumagraph BEX-2 Graphics Controller"},
    {BEX_DID_3, "Varnel Lumagraph BEX-3 Graphics Controller"},
};
static_assert(sizeof kChipsetNames / sizeof *kChipsetNames == 32);
}  // namespace

const ChipsetName* chipset_names(unsigned* count) {
  *count = sizeof kChipsetNames / sizeof *kChipsetNames;
  return kChipsetNames;
}

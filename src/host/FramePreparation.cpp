#include "host/FramePreparation.h"

#include "host/AEQuillshade2.h"
#include "host/HostSuite.h"
#include "host/ParameterValues.h"

namespace {

void queryAfterEffectsComposition(PF_InData* in_data, SequenceData* block) {
    HostSuite<AEGP_PFInterfaceSuite1> effects(in_data, kAEGPPFInterfaceSuite,
                                              kAEGPPFInterfaceSuiteVersion1);
    HostSuite<AEGP_LayerSuite5> layers(in_data, kAEGPLayerSuite, kAEGPLayerSuiteVersion5);
    HostSuite<AEGP_CompSuite4> comps(in_data, kAEGPCompSuite, kAEGPCompSuiteVersion4);
    HostSuite<AEGP_ItemSuite6> items(in_data, kAEGPItemSuite, kAEGPItemSuiteVersion6);
    AEGP_LayerH layer = nullptr;
    AEGP_CompH comp = nullptr;
    AEGP_ItemH item = nullptr;
    A_long width = 0, height = 0;
    // When the query fails before the item's ratio is read the aspect is
    // unknown; square pixels are the safe assumption.
    A_Ratio aspect{1, 1};
    A_Err error = effects->AEGP_GetEffectLayer(in_data->effect_ref, &layer);
    if (!error)
        error = layers->AEGP_GetLayerParentComp(layer, &comp);
    if (!error)
        error = comps->AEGP_GetItemFromComp(comp, &item);
    if (!error)
        error = items->AEGP_GetItemDimensions(item, &width, &height);
    if (error)
        width = height = 0;
    if (!error)
        items->AEGP_GetItemPixelAspectRatio(item, &aspect);
    block->compWidth = static_cast<std::uint32_t>(width);
    block->compHeight = static_cast<std::uint32_t>(height);
    block->compPixelAspect = static_cast<float>(aspect.num) / static_cast<float>(aspect.den);
}

void queryPremiereSequence(PF_InData* in_data, SequenceData* block) {
    HostSuite<PrSDKSequenceInfoSuite> info(in_data, kPrSDKSequenceInfoSuite,
                                           kPrSDKSequenceInfoSuiteVersion2, SuiteNeed::Optional);
    HostSuite<PF_UtilitySuite3> utility(in_data, kPFUtilitySuite, kPFUtilitySuiteVersion3,
                                        SuiteNeed::Optional);
    if (!info || !utility)
        return;
    PrTimelineID timeline = 0;
    utility->GetContainingTimelineID(in_data->effect_ref, &timeline);
    csSDK_uint32 num = 1, den = 1;
    info->GetPixelAspectRatio(timeline, &num, &den);
    prRect frame{};
    info->GetFrameRect(timeline, &frame);
    block->compPixelAspect = static_cast<float>(num) / static_cast<float>(den);
    block->compWidth = static_cast<std::uint32_t>(frame.right - frame.left);
    block->compHeight = static_cast<std::uint32_t>(frame.bottom - frame.top);
}

}  // namespace

void queryComposition(PF_InData* in_data, SequenceData* block) {
    if (!block)
        return;
    if (isPremiere(in_data)) {
        queryPremiereSequence(in_data, block);
    } else {
        queryAfterEffectsComposition(in_data, block);
    }
}

SequenceData* prepareFrame(PF_InData* in_data, bool allKinds) {
    SequenceData* block = sequenceDataOf(in_data->sequence_data);
    AEQuillshade2& object = plugin();
    object.setCurrentInstance(block ? block->record : nullptr);
    if (block)
        object.setContextExtent(block->compWidth, block->compHeight, block->compPixelAspect);
    readParameterValues(in_data, allKinds);
    return block;
}

std::uint32_t scaleByRatio(std::uint32_t x, const PF_RationalScale& ratio) {
    if (ratio.den == 0)
        return x;
    const std::uint64_t num = static_cast<std::uint32_t>(ratio.num);
    return static_cast<std::uint32_t>((x * num + ratio.den - 1) / ratio.den);
}

bool setupTakesGLContext(const PF_InData* in_data) {
    return isPremiere(in_data) || !(in_data->version.major == 13 && in_data->version.minor < 2);
}

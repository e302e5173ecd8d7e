#pragma once
// The host's effect interface: the structures, callbacks, commands and suites
// that this engine uses, under the names of the host's own headers, so that
// the host-facing code compiles unchanged against them. Only what the engine
// and our host library touch is declared.

#include <cstdint>

extern "C" {

typedef std::int32_t A_long;
typedef std::uint32_t A_u_long;
typedef std::int16_t A_short;
typedef std::uint16_t A_u_short;
typedef std::uint8_t A_u_char;
typedef char A_char;
typedef std::int32_t A_Err;
typedef std::uint8_t A_Boolean;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef A_long PF_Fixed;
typedef A_long PF_Err;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_long PF_OutFlags;
typedef A_long PF_OutFlags2;
typedef A_u_long PF_PixelFormat;
typedef A_u_long PrPixelFormat;
typedef std::int32_t SPErr;
typedef void* PF_ProgPtr;
typedef char** PF_Handle;
typedef void* PF_PixelPtr;
typedef void* AEGP_GlobalRefcon;
typedef A_long AEGP_PluginID;
typedef struct _AEGP_LayerH* AEGP_LayerH;
typedef struct _AEGP_CompH* AEGP_CompH;
typedef struct _AEGP_ItemH* AEGP_ItemH;
typedef std::int32_t PrTimelineID;
typedef std::int32_t csSDK_int32;
typedef std::uint32_t csSDK_uint32;

// Error codes.
enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516,
    PF_Interrupt_CANCEL = 517,
    PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = 518,
};
enum { A_Err_NONE = 0, A_Err_GENERIC = 1, A_Err_MISSING_SUITE = 13 };

// Command selectors.
typedef A_long PF_Cmd;
enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_UNUSED_0 = 2,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_EVENT = 15,
    PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16,
    PF_Cmd_COMPLETELY_GENERAL = 17,
    PF_Cmd_QUERY_DYNAMIC_FLAGS = 18,
    PF_Cmd_AUDIO_RENDER = 19,
    PF_Cmd_AUDIO_SETUP = 20,
    PF_Cmd_AUDIO_SETDOWN = 21,
    PF_Cmd_ARBITRARY_CALLBACK = 22,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24,
    PF_Cmd_NUM_CMDS
};

// Output flags.
enum {
    PF_OutFlag_KEEP_RESOURCE_OPEN = 1 << 0,
    PF_OutFlag_NON_PARAM_VARY = 1 << 2,
    PF_OutFlag_I_DO_DIALOG = 1 << 5,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,
    PF_OutFlag_CUSTOM_UI = 1 << 15,
    PF_OutFlag_REFRESH_UI = 1 << 17,
    PF_OutFlag_FORCE_RERENDER = 1 << 22,
    PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26,
};
enum {
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12,
    PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER = 1 << 15,
};

enum { PF_PlatData_MAIN_WND = 0, PF_PlatData_EXE_FILE_PATH_DEPRECATED, PF_PlatData_RES_FILE_PATH_DEPRECATED, PF_PlatData_RES_REFNUM, PF_PlatData_RES_DLLINSTANCE, PF_PlatData_SP_PLUG_REF, PF_PlatData_BUNDLE_REF, PF_PlatData_EXE_FILE_PATH_W, PF_PlatData_RES_FILE_PATH_W, PF_PlatData_INSTANCE_PTR = PF_PlatData_RES_DLLINSTANCE };

// Parameter types, flags and interface flags.
enum {
    PF_Param_RESERVED = -1,
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_CUSTOM = 8,
    PF_Param_NO_DATA = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_ARBITRARY_DATA = 11,
    PF_Param_PATH = 12,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15,
    PF_Param_RESERVED2 = 16,
    PF_Param_RESERVED3 = 17,
    PF_Param_POINT_3D = 18,
};
enum {
    PF_ParamFlag_START_COLLAPSED = 1 << 5,
    PF_ParamFlag_SUPERVISE = 1 << 6,
};
enum { PF_PUI_DISABLED = 1 << 5 };
enum { PF_EO_HANDLED_EVENT = 1 };
enum { PF_CustomEFlag_EFFECT = 1 << 2 };
enum { PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 0x1 };
enum { PF_Channel_RED = 1, PF_Channel_GREEN = 2, PF_Channel_BLUE = 4, PF_Channel_ALPHA = 8 };

#define PF_MAX_EFFECT_MSG_LEN 255
#define PF_MAX_EFFECT_PARAM_NAME_LEN 31
#define PF_Ratio_ONE_BY_ONE {1, 1}

typedef struct {
    A_short major;
    A_short minor;
} PF_SpecVersion;

typedef struct {
    A_long num;
    A_u_long den;
} PF_RationalScale;

typedef struct {
    A_long left, top, right, bottom;
} PF_Rect;
typedef PF_Rect PF_LRect;

typedef struct {
    A_long h, v;
} PF_Point;

typedef struct {
    A_long num, den;
} A_Ratio;

typedef struct {
    A_u_char alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;
typedef PF_Pixel PF_UnionablePixel;

typedef struct {
    A_u_short alpha, red, green, blue;
} PF_Pixel16;

typedef struct {
    PF_FpShort alpha, red, green, blue;
} PF_PixelFloat, PF_Pixel32;

// An image: the input layer, a layer parameter or the output buffer.
typedef struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    void* world_flags;
    PF_PixelPtr data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault;
} PF_LayerDef, PF_EffectWorld;

typedef struct {
    PF_FpLong value;
    A_char value_str[32];
    A_char value_desc[32];
    PF_FpShort valid_min, valid_max;
    PF_FpShort slider_min, slider_max;
    PF_FpLong dephault;
    A_short precision;
    A_short display_flags;
    A_long fs_flags;
    PF_FpShort curve_tolerance;
    PF_FpShort reserved;
} PF_FloatSliderDef;

typedef struct {
    PF_Fixed value;
    PF_Fixed dephault;
    PF_Fixed valid_min, valid_max;
} PF_AngleDef;

typedef struct {
    A_long value;
    A_Boolean dephault;
    A_char reserved, reserved1, reserved2;
    union {
        const A_char* nameptr;
    } u;
} PF_CheckBoxDef;

typedef struct {
    PF_Pixel value;
    PF_Pixel dephault;
} PF_ColorDef;

typedef struct {
    PF_Fixed x_value;
    PF_Fixed y_value;
    A_char reserved[3];
    A_Boolean restrict_bounds;
    PF_Fixed x_dephault;
    PF_Fixed y_dephault;
} PF_PointDef;

typedef struct {
    PF_FpLong x_value, y_value, z_value;
    PF_FpLong x_dephault, y_dephault, z_dephault;
    char reserved[16];
} PF_Point3DDef;

typedef struct {
    A_long value;
    A_short num_choices;
    A_short dephault;
    union {
        const A_char* namesptr;
    } u;
} PF_PopupDef;

typedef struct {
    A_u_long path_id;
    A_long reserved0;
    A_long dephault;
} PF_PathDef;

typedef union {
    PF_LayerDef ld;
    PF_FloatSliderDef fs_d;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PointDef td;
    PF_PopupDef pd;
    PF_PathDef path_d;
    PF_Point3DDef point3d_d;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
    union {
        A_long id;
        A_long change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[32];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
} PF_ParamDef, *PF_ParamDefPtr, **PF_ParamList;

typedef struct {
    A_long events;
    A_long comp_ui_width;
    A_long comp_ui_height;
    A_long comp_ui_alignment;
    A_long layer_ui_width;
    A_long layer_ui_height;
    A_long layer_ui_alignment;
    A_long preview_ui_width;
    A_long preview_ui_height;
    A_long preview_ui_alignment;
} PF_CustomUIInfo;

typedef struct {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                             A_long time_step, A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
    PF_Err (*register_ui)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);
} PF_InteractCallbacks;

typedef struct {
    A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
    A_char* (*strcpy)(A_char* dest, const A_char* src);
} PF_ANSICallbacks;

typedef struct _PF_UtilCallbacks {
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                   PF_Rect* src_r, PF_Rect* dst_r);
    PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                   PF_EffectWorld* world);
    PF_ANSICallbacks ansi;
    PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, A_long which, void* data);
} PF_UtilCallbacks;

typedef struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, std::int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, std::int32_t version);
} SPBasicSuite;

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    struct _PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    A_long quality;
    PF_SpecVersion version;
    A_long serial_num;
    A_long appl_id;
    A_long num_params;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    A_long field;
    PF_Fixed shutter_angle;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    A_long in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
} PF_InData;

typedef struct PF_OutData {
    A_u_long my_version;
    A_char name[32];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    PF_OutFlags out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    PF_OutFlags2 out_flags2;
} PF_OutData;

// Extra arguments of the commands that take one.
typedef struct {
    PF_ParamIndex index;
} PF_EffectWindowInfo;

typedef struct {
    void* contextH;
    A_long e_type;
    PF_EffectWindowInfo effect_win;
    A_long evt_in_flags;
    A_long evt_out_flags;
} PF_EventExtra;

typedef struct {
    PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

typedef struct {
    PF_LRect rect;
    A_long field;
    A_long channel_mask;
    A_Boolean preserve_rgb_of_zero_alpha;
    char unused[3];
    A_long reserved[4];
} PF_RenderRequest;

typedef struct {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_RationalScale par;
    A_long solid;
    A_long reserved;
    A_long ref_width;
    A_long ref_height;
} PF_CheckoutResult;

typedef struct {
    PF_RenderRequest output_request;
    A_short bitdepth;
} PF_PreRenderInput;

typedef struct {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    A_Boolean solid;
    A_Boolean reserved;
    A_long flags;
    void* pre_render_data;
} PF_PreRenderOutput;

typedef struct {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_idL,
                             const PF_RenderRequest* req, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_CheckoutResult* checkout_result);
} PF_PreRenderCallbacks;

typedef struct {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

typedef struct {
    PF_RenderRequest output_request;
    A_short bitdepth;
    void* pre_render_data;
} PF_SmartRenderInput;

typedef struct {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL,
                                    PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

// Suites, by the name and version under which they are acquired.
#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion2 2
typedef struct PF_HandleSuite2 {
    PF_Handle (*host_new_handle)(std::uint64_t size);
    void* (*host_lock_handle)(PF_Handle pf_handle);
    void (*host_unlock_handle)(PF_Handle pf_handle);
    void (*host_dispose_handle)(PF_Handle pf_handle);
    std::uint64_t (*host_get_handle_size)(PF_Handle pf_handle);
    PF_Err (*host_resize_handle)(std::uint64_t new_sizeL, PF_Handle* handlepH);
} PF_HandleSuite2;

#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion7 7
typedef struct AEGP_UtilitySuite7 {
    A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                                   AEGP_PluginID* plugin_id);
} AEGP_UtilitySuite7;

#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1
typedef struct AEGP_PFInterfaceSuite1 {
    A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
} AEGP_PFInterfaceSuite1;

#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion11 11
typedef struct AEGP_LayerSuite11 {
    A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);
} AEGP_LayerSuite11;

#define kAEGPCompSuite "AEGP Comp Suite"
#define kAEGPCompSuiteVersion9 9
typedef struct AEGP_CompSuite9 {
    A_Err (*AEGP_GetItemFromComp)(AEGP_CompH compH, AEGP_ItemH* itemPH);
} AEGP_CompSuite9;

#define kAEGPItemSuite "AEGP Item Suite"
#define kAEGPItemSuiteVersion10 10
typedef struct AEGP_ItemSuite10 {
    A_Err (*AEGP_GetItemDimensions)(AEGP_ItemH itemH, A_long* widthPL, A_long* heightPL);
    A_Err (*AEGP_GetItemPixelAspectRatio)(AEGP_ItemH itemH, A_Ratio* pix_aspect_ratioPRt);
} AEGP_ItemSuite10;

#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
typedef struct PF_WorldSuite2 {
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
} PF_WorldSuite2;

#define kPFPixelDataSuite "PF Pixel Data Suite"
#define kPFPixelDataSuiteVersion1 1
typedef struct PF_PixelDataSuite1 {
    PF_Err (*get_pixel_data8)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP, PF_Pixel8** pixPP);
    PF_Err (*get_pixel_data16)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP, PF_Pixel16** pixPP);
    PF_Err (*get_pixel_data_float)(PF_EffectWorld* worldP, PF_PixelPtr pixelsP,
                                   PF_PixelFloat** pixPP);
} PF_PixelDataSuite1;

#define kPFColorParamSuite "PF ColorParamSuite"
#define kPFColorParamSuiteVersion1 1
typedef struct PF_ColorParamSuite1 {
    PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref,
                                                   const PF_ParamDef* color_defP,
                                                   PF_PixelFloat* fp_colorP);
} PF_ColorParamSuite1;

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion1 1
#define kPFParamUtilsSuiteVersion2 2
#define kPFParamUtilsSuiteVersion3 3
typedef struct PF_ParamUtilsSuite3 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const PF_ParamDef* defP);
} PF_ParamUtilsSuite3;

#define kPFEffectUISuite "PF Effect UI Suite"
#define kPFEffectUISuiteVersion1 1
typedef struct PF_EffectUISuite1 {
    PF_Err (*PF_SetOptionsButtonName)(PF_ProgPtr effect_ref, const A_char* nameZ);
} PF_EffectUISuite1;

// Pixel formats as the hosts report them: After Effects' ARGB formats at 8,
// 16 and 32 bits per channel, and Premiere Pro's formats by depth.
enum {
    PF_PixelFormat_ARGB32 = 0x61726762,
    PF_PixelFormat_ARGB64 = 0x61726742,
    PF_PixelFormat_ARGB128 = 0x61724742,
};
enum {
    PrPixelFormat_BGRA_4444_8u = 0x62677261,
    PrPixelFormat_BGRA_4444_16u = 0x62677241,
    PrPixelFormat_BGRA_4444_32f = 0x62675241,
};

#define kPFPixelFormatSuite "PF Pixel Format Suite"
#define kPFPixelFormatSuiteVersion1 1
typedef struct PF_PixelFormatSuite1 {
    PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixelFormat);
    PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
    PF_Err (*GetPixelFormat)(PF_EffectWorld* inWorld, PrPixelFormat* pixelFormat);
} PF_PixelFormatSuite1;

typedef struct {
    csSDK_int32 left, top, right, bottom;
} prRect;

#define kPFSequenceInfoSuite "MediaCore Sequence Info Suite"
#define kPFSequenceInfoSuiteVersion2 2
typedef struct PF_SequenceInfoSuite2 {
    PF_Err (*GetFrameRect)(PrTimelineID inTimelineID, prRect* outFrameRect);
    PF_Err (*GetPixelAspectRatio)(PrTimelineID inTimelineID, csSDK_uint32* outNum,
                                  csSDK_uint32* outDen);
} PF_SequenceInfoSuite2;

#define kPFUtilitySuite "PF Utility Suite"
#define kPFUtilitySuiteVersion3 3
typedef struct PF_UtilitySuite3 {
    PF_Err (*GetContainingTimelineID)(PF_ProgPtr effect_ref, PrTimelineID* outTimelineID);
} PF_UtilitySuite3;

// The application id of Premiere Pro.
#define PF_APPL_ID_PREMIERE 0x50724D72

// The effect entry point that a module exports.
typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

}  // extern "C"

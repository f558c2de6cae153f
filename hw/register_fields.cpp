// The bitfields of every decode operation, per family: each family lists
// the operations it replaces of its parent's (ava has them all). A row
// with no fields and no other operation prints nothing.
#include "hw/hw_regs.h"

#define FIELDS(a) a, static_cast<uint8_t>(sizeof a / sizeof *a)

namespace {

const bit_field_t kPlaneACtrlAva[] = {
    {31, 31, "disp_plane_a_enable"}, {30, 30, "disp_a_gamma_enable"}, {29, 26, "disp_a_src_pxl_fmt"},
    {25, 25, "stereo_enable"}, {24, 24, "reserved6"}, {23, 23, "reserved5"}, {22, 22, "reserved4"},
    {21, 20, "pxl_multiply"}, {19, 19, "reserved3"}, {18, 18, "stereo_plty_adjst"}, {17, 16, "reserved2"},
    {15, 0, "reserved1"},
};

const bit_field_t kPlaneACtrlDov[] = {
    {31, 31, "disp_plane_a_enable"}, {30, 30, "disp_a_gamma_enable"}, {29, 26, "disp_a_src_pxl_fmt"},
    {25, 24, "disp_a_pipe_select"}, {23, 23, "key_wind_enable"}, {22, 22, "key_enable"},
    {21, 20, "pxl_multiply"}, {19, 19, "reserved4"}, {18, 18, "reserved3"}, {17, 15, "reserved2"},
    {14, 11, "horiz_pxl_mult"}, {10, 0, "reserved1"},
};

const bit_field_t kPlaneACtrlCyr[] = {
    {31, 31, "disp_plane_a_enable"}, {30, 30, "disp_a_gamma_enable"}, {29, 26, "disp_a_src_pxl_fmt"},
    {25, 24, "disp_a_pipe_select"}, {23, 23, "key_wind_enable"}, {22, 22, "key_enable"},
    {21, 20, "pxl_multiply"}, {19, 19, "reserved5"}, {18, 18, "reserved4"}, {17, 16, "reserved3"},
    {15, 15, "one_eighty_disp_rot"}, {14, 11, "reserved2"}, {10, 10, "tiled_surface"}, {9, 0, "reserved1"},
};

const bit_field_t kPlaneACtrlEft[] = {
    {31, 31, "disp_plane_a_enable"}, {30, 30, "disp_a_gamma_enable"}, {29, 26, "disp_a_src_pxl_fmt"},
    {25, 25, "reserved3"}, {24, 24, "plane_a_pipe_select"}, {23, 23, "key_wind_enable"},
    {22, 22, "key_enable"}, {21, 20, "pxl_multiply"}, {19, 15, "reserved2"}, {14, 11, "horiz_pxl_zoom"},
    {10, 0, "reserved1"},
};

const bit_field_t kPlaneACtrlFyn[] = {
    {31, 31, "disp_plane_a_enable"}, {30, 30, "disp_a_gamma_enable"}, {29, 26, "disp_a_src_pxl_fmt"},
    {25, 24, "plane_a_pipe_select"}, {23, 23, "key_wind_enable"}, {22, 22, "key_enable"},
    {21, 20, "pxl_multiply"}, {19, 19, "reserved5"}, {18, 18, "reserved4"}, {17, 16, "reserved3"},
    {15, 15, "disp_180rot"}, {14, 11, "reserved2"}, {10, 10, "tiled_surf"}, {9, 0, "reserved1"},
};

const bit_field_t kStartAddrAva[] = {
    {31, 0, "disp_start_addr"},
};

const bit_field_t kStrideAva[] = {
    {31, 0, "disp_stride"},
};

const bit_field_t kSpriteSizeAva[] = {
    {31, 27, "reserved2"}, {26, 16, "sprite_height"}, {15, 11, "reserved1"}, {10, 0, "sprite_width"},
};

const bit_field_t kSpriteSizeEft[] = {
    {31, 28, "reserved2"}, {27, 16, "primary_height"}, {15, 12, "reserved1"}, {11, 0, "primary_width"},
};

const bit_field_t kColorKeyAva[] = {
    {31, 24, "reserved1"}, {23, 16, "red_key_val"}, {15, 8, "green_key_val"}, {7, 0, "blue_key_val"},
};

const bit_field_t kSecondEyeAddrAva[] = {
    {31, 0, "disp_second_addr"},
};

const bit_field_t kPlaneBCtrlAva[] = {
    {31, 31, "disp_bsprite_enable"}, {30, 30, "disp_bsprite_gamma_enable"}, {29, 26, "disp_b_src_pxl_fmt"},
    {25, 25, "stereo_enable"}, {24, 24, "disp_bsprite_pipe_sel"}, {23, 23, "key_wind_enable"},
    {22, 22, "src_key_enable"}, {21, 20, "pxl_multiply"}, {19, 19, "reserved2"},
    {18, 18, "stereo_plty_adjst"}, {17, 1, "reserved1"}, {0, 0, "disp_bsprite_order"},
};

const bit_field_t kPlaneBCtrlDov[] = {
    {31, 31, "disp_bsprite_enable"}, {30, 30, "disp_bsprite_gamma_enable"}, {29, 26, "disp_b_src_pxl_fmt"},
    {25, 24, "disp_bsprite_pipe_sel"}, {23, 23, "key_wind_enable"}, {22, 22, "src_key_enable"},
    {21, 20, "pxl_multiply"}, {19, 15, "reserved3"}, {14, 11, "horiz_pxl_mult"}, {10, 7, "reserved2"},
    {6, 1, "reserved1"}, {0, 0, "disp_bsprite_order"},
};

const bit_field_t kPlaneBCtrlEft[] = {
    {31, 31, "disp_bsprite_enable"}, {30, 30, "disp_bsprite_gamma_enable"}, {29, 26, "disp_b_src_pxl_fmt"},
    {25, 25, "reserved3"}, {24, 24, "disp_bsprite_pipe_sel"}, {23, 23, "key_wind_enable"},
    {22, 22, "src_key_enable"}, {21, 20, "pxl_multiply"}, {19, 15, "reserved2"}, {14, 11, "horiz_pxl_zoom"},
    {10, 1, "reserved1"}, {0, 0, "disp_bsprite_order"},
};

const bit_field_t kPlaneBCtrlFyn[] = {
    {31, 31, "disp_bsprite_enable"}, {30, 30, "disp_bsprite_gamma_enable"}, {29, 26, "disp_b_src_pxl_fmt"},
    {25, 24, "disp_bsprite_pipe_sel"}, {23, 23, "key_wind_enable"}, {22, 22, "src_key_enable"},
    {21, 20, "pxl_multiply"}, {19, 16, "reserved4"}, {15, 15, "disp_180rot"}, {14, 11, "reserved3"},
    {10, 10, "tiled_surf"}, {9, 1, "reserved2"}, {0, 0, "reserved1"},
};

const bit_field_t kAnalogPortAva[] = {
    {31, 31, "adpa_enable"}, {30, 30, "pipe_select"}, {29, 16, "reserved5"}, {15, 15, "adpa_sync_polar_sel"},
    {14, 12, "reserved3"}, {11, 10, "monitor_dpms"}, {9, 5, "reserved2"}, {4, 4, "vsync_polar_ctrl"},
    {3, 3, "hsync_polar_ctrl"}, {2, 0, "reserved1"},
};

const bit_field_t kDvoAPortAva[] = {
    {31, 31, "dvo_enable"}, {30, 30, "pipe_select"}, {29, 28, "stall_field_sel"}, {27, 27, "int_sel"},
    {26, 16, "reserved3"}, {15, 15, "dvo_sync_pol_sel"}, {14, 14, "i740_data_ordering"},
    {13, 12, "reserved2"}, {11, 11, "dvo_vsync_out_ctrl"}, {10, 10, "dvo_hsync_out_ctrl"},
    {9, 8, "dvo_sync_tri_ctrl"}, {7, 7, "dvo_border_enable"}, {6, 6, "dvo_active_data_order"},
    {5, 5, "active_data_pol"}, {4, 4, "dvo_vsync_pol_ctrl"}, {3, 3, "dvo_hsync_pol_ctrl"},
    {2, 2, "dvo_blank_pol_ctrl"}, {1, 0, "reserved1"},
};

const bit_field_t kDvoPortAva[] = {
    {31, 31, "dvo_enable"}, {30, 30, "pipe_select"}, {29, 28, "stall_field_sel"}, {27, 16, "reserved3"},
    {15, 15, "dvo_sync_pol_sel"}, {14, 14, "i740_data_ordering"}, {13, 12, "reserved2"},
    {11, 10, "dvo_vsync_out_ctrl"}, {9, 8, "dvo_sync_tri_ctrl"}, {7, 7, "dvo_border_enable"},
    {6, 6, "dvo_active_data_order"}, {5, 5, "active_data_pol"}, {4, 4, "dvo_vsync_pol_ctrl"},
    {3, 3, "dvo_hsync_pol_ctrl"}, {2, 2, "dvo_blank_pol_ctrl"}, {1, 0, "reserved1"},
};

const bit_field_t kDvoPortDov[] = {
    {31, 31, "dvo_enable"}, {30, 30, "pipe_select"}, {29, 29, "stall_sel"}, {28, 27, "reserved6"},
    {26, 26, "dedicated_int_enable"}, {25, 23, "port_multiply"}, {22, 19, "pl_to_sl_pulse_sel"},
    {18, 18, "dvo_clock_out_inverse"}, {17, 16, "reserved5"}, {15, 8, "reserved4"},
    {7, 7, "dvo_border_enable"}, {6, 6, "reserved3"}, {5, 5, "active_data_pol"}, {4, 3, "reserved2"},
    {2, 2, "sdvo_detected"}, {1, 0, "reserved1"},
};

const bit_field_t kDvoPortCyr[] = {
    {31, 31, "sdvo_enable"}, {30, 30, "pipe_select"}, {29, 29, "stall_sel"}, {28, 26, "color_format"},
    {25, 21, "reserved3"}, {20, 19, "port_width_sel"}, {18, 18, "sdvo_clock_out_inverse"},
    {17, 16, "sym_clock_duty_cycle"}, {15, 15, "port_lane_reversal"}, {14, 14, "reserved2"},
    {13, 13, "clock_out_disable"}, {12, 12, "scrambling_engine"}, {11, 10, "encoding"},
    {9, 9, "null_pkts_en_vsync"}, {8, 8, "color_range_sel"}, {7, 7, "sdvo_border_enable"},
    {6, 6, "audio_out_enable"}, {5, 5, "hdcp_port_select"}, {4, 3, "sync_polarity"}, {2, 2, "sdvo_detected"},
    {1, 0, "reserved1"},
};

const bit_field_t kDvoPortEft[] = {
    {31, 31, "sdvo_enable"}, {30, 30, "pipe_select"}, {29, 29, "stall_enable"}, {28, 22, "reserved3"},
    {21, 20, "preserved"}, {19, 8, "reserved2"}, {7, 7, "sdvo_border_enable"}, {6, 0, "reserved1"},
};

const bit_field_t kDvoPortFyn[] = {
    {31, 31, "sdvo_enable"}, {30, 30, "pipe_select"}, {29, 29, "stall_enable"}, {28, 26, "reserved16"},
    {25, 23, "reserved15"}, {22, 19, "reserved14"}, {18, 18, "sdvo_clk_out"}, {17, 16, "reserved13"},
    {15, 15, "reserved12"}, {14, 14, "reserved11"}, {13, 12, "reserved10"}, {11, 10, "reserved9"},
    {9, 8, "reserved8"}, {7, 7, "sdvob_border_en"}, {6, 6, "reserved7"}, {5, 5, "reserved6"},
    {4, 4, "reserved5"}, {3, 3, "reserved4"}, {2, 2, "reserved3"}, {1, 1, "reserved2"}, {0, 0, "reserved1"},
};

const bit_field_t kDvoPortBex[] = {
    {31, 31, "sdvo_enable"}, {30, 30, "pipe_select"}, {29, 29, "stall_enable"}, {28, 26, "color_fmt"},
    {25, 19, "reserved3"}, {18, 18, "sdvo_clk_out"}, {17, 16, "symbl_clk_cycl"},
    {15, 15, "port_lane_reversal"}, {14, 14, "reserved2"}, {13, 13, "clk_output_disable"},
    {12, 12, "scrambling_enable"}, {11, 10, "encoding"}, {9, 9, "null_pkt_en_vsync"},
    {8, 8, "clk_range_sel"}, {7, 7, "sdvob_border_en"}, {6, 6, "aud_out_en"}, {5, 5, "hdcp_port_sel"},
    {4, 3, "sync_polarity"}, {2, 2, "digital_portb_detect"}, {1, 0, "reserved1"},
};

const bit_field_t kDpDftPortBex[] = {
    {31, 31, "dpb_test_mode_en"}, {30, 30, "dpb_test_mode_check_en"}, {29, 29, "dpb_pttn_sel"},
    {28, 28, "dpc_test_mode_en"}, {27, 27, "dpc_test_mode_check_en"}, {26, 26, "dpc_pttn_sel"},
    {25, 25, "dp_dc_balance_set"}, {24, 24, "dpb_aux_full_test_en"}, {23, 23, "dpc_aux_full_test_en"},
    {22, 22, "dpd_aux_full_test_en"}, {21, 21, "dpb_aux_buf_lb_test_en"}, {20, 20, "dpc_aux_buf_lb_test_en"},
    {19, 19, "dpd_aux_buf_lb_test_en"}, {18, 14, "reserved1"}, {13, 13, "dpb_aux_buf_lb_test_done"},
    {12, 12, "dpc_aux_buf_lb_test_done"}, {11, 11, "dpd_aux_buf_lb_test_done"},
    {10, 10, "dpb_aux_buf_lb_test_result"}, {9, 9, "dpc_aux_buf_lb_test_result"},
    {8, 8, "dpd_aux_buf_lb_test_result"}, {7, 7, "dpc_clk_test_result"}, {6, 6, "dpc_blue_test_result"},
    {5, 5, "dpc_green_test_result"}, {4, 4, "dpc_red_test_result"}, {3, 3, "dpb_clk_test_result"},
    {2, 2, "dpb_blue_test_result"}, {1, 1, "dpb_green_test_result"}, {0, 0, "dpb_red_test_result"},
};

const bit_field_t kDpPortBex[] = {
    {31, 31, "dpb_en"}, {30, 30, "pipe_sel"}, {29, 28, "link_training_pttn_en"},
    {27, 25, "vol_swing_lvl_set"}, {24, 22, "preemph_set"}, {21, 19, "port_width_sel"},
    {18, 18, "enhanced_framing_en"}, {17, 16, "reserved5"}, {15, 15, "port_reversal"}, {14, 14, "reserved4"},
    {13, 13, "clk_out_en"}, {12, 12, "scrambling_disable"}, {11, 9, "reserved3"}, {8, 8, "color_range_sel"},
    {7, 6, "reserved2"}, {5, 5, "hdcp_Port_sel"}, {4, 3, "sync_polarity"}, {2, 2, "digital_display_b_sel"},
    {1, 0, "reserved1"},
};

const bit_field_t kLvdsPortFyn[] = {
    {31, 31, "lvds_enable"}, {30, 30, "pipe_select"}, {29, 26, "reserved3"}, {25, 25, "dither_enable"},
    {24, 24, "data_format_select"}, {23, 23, "le_cntr_enable"}, {22, 22, "lf_cntr_enable"},
    {21, 21, "vsync_polarity"}, {20, 20, "hsync_polarity"}, {19, 19, "de_invert"},
    {18, 17, "second_channel_cntr_signals"}, {16, 16, "channel_reserved_bits"},
    {15, 15, "lvds_border_enable"}, {14, 11, "reserved2"}, {10, 10, "buffer_power_down_state"},
    {9, 8, "clka_cntr"}, {7, 6, "eight_bit_color_channel_cntr"}, {5, 4, "two_channel_mode_clkb_cntr"},
    {3, 2, "two_channel_mode_b0_b2_cntr"}, {1, 0, "reserved1"},
};

const bit_field_t kPort7000Fyn[] = {
    {31, 31, "rcvr_buffs_gtl_enable"}, {30, 30, "trans_buffs_gtl_enable"},
    {29, 29, "input_strobes_gtl_enable"}, {28, 25, "vref_cmos_mode"}, {24, 21, "vref_gtl_mode"},
    {20, 20, "dac_enable"}, {19, 19, "cmos_vref_sel"}, {18, 18, "gtl_vref_sel"}, {17, 17, "stall_loopback"},
    {16, 16, "vblank_loopback"}, {15, 15, "out_buff_flop_bypass"}, {14, 14, "out_clk_enable"},
    {13, 13, "out_buff_diff_amp_en"}, {12, 12, "transmit_buffer_en"}, {11, 11, "single_ended_strobe"},
    {10, 0, "reserved1"},
};

const bit_field_t kDpllACtrlAva[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "two_x_clock_enable"}, {29, 29, "sync_lock_enable"},
    {28, 28, "vga_mode_disable"}, {27, 24, "reserved5"}, {23, 23, "fpa_clock_divide"}, {22, 22, "reserved4"},
    {21, 21, "pll_divide_by_two"}, {20, 16, "post_divisor_sel_dpll"}, {15, 15, "reserved3"},
    {14, 13, "pll_ref_inp_sel"}, {12, 9, "reserved2"}, {8, 8, "disp_rate_sel"}, {7, 1, "reserved1"},
    {0, 0, "dpll_dsyncon"},
};

const bit_field_t kDpllACtrlDov[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "dvo_h_speed_clk_enable"}, {29, 29, "sync_lock_enable"},
    {28, 28, "vga_mode_disable"}, {27, 26, "dpll_mode_select"}, {25, 24, "p2_clock_divide"},
    {23, 16, "p1_post_divisor"}, {15, 15, "reserved2"}, {14, 13, "pll_ref_inp_sel"}, {12, 9, "reserved1"},
    {8, 8, "disp_rate_sel"}, {7, 0, "sdvo_multiplier"},
};

const bit_field_t kDpllACtrlCyr[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "dvo_h_speed_clk_enable"}, {29, 29, "reserved3"},
    {28, 28, "vga_mode_disable"}, {27, 26, "dpll_mode_select"}, {25, 24, "p2_clock_divide"},
    {23, 16, "p1_post_divisor"}, {15, 15, "reserved2"}, {14, 13, "pll_ref_inp_sel"},
    {12, 9, "pl_sl_phase_sel"}, {8, 8, "disp_rate_sel"}, {7, 0, "sdvo_multiplier"},
};

const bit_field_t kDpllACtrlEft[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "dvo_h_speed_clk_enable"}, {29, 29, "reserved3"},
    {28, 28, "vga_clock_select_disable"}, {27, 26, "dpll_mode_select"}, {25, 24, "reserved2"},
    {23, 16, "post_divisor"}, {15, 15, "reserved1"}, {14, 13, "pll_ref_inp_sel"},
    {12, 9, "p2s_ld_pls_phs_sel"}, {8, 8, "disp_rate_sel"}, {7, 0, "sdvo_multiplier"},
};

const bit_field_t kDpllACtrlFyn[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "reserved6"}, {29, 29, "reserved5"}, {28, 28, "vga_mode_disable"},
    {27, 26, "dpll_mode_select"}, {25, 24, "reserved4"}, {23, 17, "post_divisor"}, {16, 16, "vco_select"},
    {15, 15, "reserved3"}, {14, 13, "pll_ref_input_sel"}, {12, 9, "reserved2"}, {8, 8, "disp_rate_sel"},
    {7, 0, "reserved1"},
};

const bit_field_t kDpllDivisorAva[] = {
    {31, 22, "reserved3"}, {21, 16, "fp_n_divisor"}, {15, 14, "reserved2"}, {13, 8, "fp_m1_divisor"},
    {7, 6, "reserved1"}, {5, 0, "fp_m2_divisor"},
};

const bit_field_t kDpllDivisorFyn[] = {
    {31, 14, "reserved2"}, {13, 8, "fp_m1_divisor"}, {7, 0, "reserved1"},
};

const bit_field_t kPipeAConfAva[] = {
    {31, 31, "pipe_enable"}, {30, 30, "pipe_dbl_wide_mode"}, {29, 29, "reserved2"},
    {28, 27, "frame_start_delay"}, {26, 0, "reserved1"},
};

const bit_field_t kPipeAConfDov[] = {
    {31, 31, "pipe_enable"}, {30, 30, "pipe_dbl_wide_mode"}, {29, 29, "reserved5"},
    {28, 27, "frame_start_delay"}, {26, 26, "reserved4"}, {25, 25, "force_border"}, {24, 24, "reserved3"},
    {23, 21, "interlaced_mode"}, {20, 20, "reserved2"}, {19, 19, "disp_overlay_planes_off"},
    {18, 18, "cursor_planes_off"}, {17, 0, "reserved1"},
};

const bit_field_t kPipeAConfCyr[] = {
    {31, 31, "pipe_enable"}, {30, 30, "pipe_state"}, {29, 29, "reserved5"}, {28, 27, "frame_start_delay"},
    {26, 26, "reserved4"}, {25, 25, "force_border"}, {24, 24, "pipe_gamma_unit_mode"},
    {23, 21, "interlaced_mode"}, {20, 20, "reserved2"}, {19, 19, "disp_overlay_planes_off"},
    {18, 18, "cursor_planes_off"}, {17, 0, "reserved1"},
};

const bit_field_t kPipeAConfEft[] = {
    {31, 31, "pipe_enable"}, {30, 24, "reserved3"}, {23, 21, "interlaced_mode"}, {20, 20, "reserved2"},
    {19, 19, "disp_planes_off"}, {18, 18, "cursor_planes_off"}, {17, 0, "reserved1"},
};

const bit_field_t kPipeAConfFyn[] = {
    {31, 31, "pipe_enable"}, {30, 30, "pipe_state"}, {29, 29, "dpll_lock"}, {28, 27, "frame_start_delay"},
    {26, 26, "reserved5"}, {25, 25, "force_border"}, {24, 24, "pipe_gamma_unit_mode"},
    {23, 21, "interlaced_mode"}, {20, 20, "reserved4"}, {19, 19, "disp_overlay_planes_off"},
    {18, 18, "cursor_planes_off"}, {17, 5, "reserved3"}, {4, 1, "reserved2"}, {0, 0, "reserved1"},
};

const bit_field_t kPipeAHtotalAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_hz_tot_disp_clks"}, {15, 11, "reserved1"},
    {10, 0, "pipe_hz_act_disp_pxls"},
};

const bit_field_t kPipeAHtotalDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_hz_tot_disp_clks"}, {15, 12, "reserved1"},
    {11, 0, "pipe_hz_act_disp_pxls"},
};

const bit_field_t kPipeAHblankAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_hz_blank_end"}, {15, 12, "reserved1"},
    {11, 0, "pipe_hz_blank_start"},
};

const bit_field_t kPipeAHblankDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_hz_blank_end"}, {15, 13, "reserved1"},
    {12, 0, "pipe_hz_blank_start"},
};

const bit_field_t kPipeAHsyncAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_hz_sync_end"}, {15, 12, "reserved1"},
    {11, 0, "pipe_hz_sync_start"},
};

const bit_field_t kPipeAHsyncDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_hz_sync_end"}, {15, 13, "reserved1"},
    {12, 0, "pipe_hz_sync_start"},
};

const bit_field_t kPipeAVtotalAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_vt_tot_disp_lines"}, {15, 11, "reserved1"},
    {10, 0, "pipe_vt_act_disp_lines"},
};

const bit_field_t kPipeAVtotalDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_vt_tot_disp_lines"}, {15, 12, "reserved1"},
    {11, 0, "pipe_vt_act_disp_lines"},
};

const bit_field_t kPipeAVblankAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_vt_blank_end"}, {15, 12, "reserved1"},
    {11, 0, "pipe_vt_blank_start"},
};

const bit_field_t kPipeAVblankDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_vt_blank_end"}, {15, 13, "reserved1"},
    {12, 0, "pipe_vt_blank_start"},
};

const bit_field_t kPipeAVsyncAva[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_vt_sync_end"}, {15, 12, "reserved1"},
    {11, 0, "pipe_vt_sync_start"},
};

const bit_field_t kPipeAVsyncDov[] = {
    {31, 29, "reserved2"}, {28, 16, "pipe_vt_sync_end"}, {15, 13, "reserved1"},
    {12, 0, "pipe_vt_sync_start"},
};

const bit_field_t kPipeASrcSizeAva[] = {
    {31, 27, "reserved2"}, {26, 16, "pipe_hz_src_img_size"}, {15, 11, "reserved1"},
    {10, 0, "pipe_vt_src_img_size"},
};

const bit_field_t kPipeASrcSizeDov[] = {
    {31, 28, "reserved2"}, {27, 16, "pipe_hz_src_img_size"}, {15, 12, "reserved1"},
    {11, 0, "pipe_vt_src_img_size"},
};

const bit_field_t kDpllBCtrlAva[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "two_x_clock_enable"}, {29, 29, "sync_lock_enable"},
    {28, 28, "vga_mode_disable"}, {27, 24, "reserved5"}, {23, 23, "fpa_clock_divide"}, {22, 22, "reserved4"},
    {21, 16, "post_divisor_sel_dpll"}, {15, 15, "reserved3"}, {14, 13, "pll_ref_inp_sel"},
    {12, 9, "reserved2"}, {8, 8, "disp_rate_sel"}, {7, 1, "reserved1"}, {0, 0, "dpll_dsyncon"},
};

const bit_field_t kDpllBCtrlFyn[] = {
    {31, 31, "dpll_vco_enable"}, {30, 30, "high_speed_IO_clk_en"}, {29, 29, "reserved4"},
    {28, 28, "vga_mode_disable"}, {27, 26, "reserved3"}, {25, 24, "p2_clk_divide"},
    {23, 16, "p1_post_divisor"}, {15, 15, "reserved2"}, {14, 13, "pll_ref_input_sel"}, {12, 9, "reserved1"},
    {8, 8, "disp_rate_sel"}, {7, 0, "sdvo_mul"},
};

const bit_field_t kPipeBConfFyn[] = {
    {31, 31, "pipeb_enable"}, {30, 30, "reserved5"}, {29, 29, "reserved4"}, {28, 27, "frame_start_delay"},
    {26, 26, "reserved3"}, {25, 25, "force_border"}, {24, 24, "pipeb_gamma_unit_mode"},
    {23, 21, "interlaced_mode"}, {20, 20, "reserved2"}, {19, 19, "disp_overlay_planes_off"},
    {18, 18, "cursor_planes_off"}, {17, 0, "reserved1"},
};

const bit_field_t kPgtblErAva[] = {
    {31, 12, "address"}, {11, 7, "reserved1"}, {6, 3, "error_src"}, {2, 0, "error_type"},
};

const bit_field_t kPgtblErCyr[] = {
    {31, 27, "reserved7"}, {26, 26, "mt_invalid_gtt_pte"}, {25, 25, "reserved6"},
    {24, 24, "lc_invalid_gtt_pte"}, {23, 23, "isc_invalid_gtt_pte"}, {22, 22, "roc_invalid_gtt_pte"},
    {21, 21, "cs_vtx_invalid_gtt_pte"}, {20, 20, "cs_cmd_invalid_gtt_pte"}, {19, 19, "csr_invalid_gtt"},
    {18, 18, "crsr_invalid_gtt_pte"}, {17, 17, "reserved5"}, {16, 16, "ovrl_invalid_gtt_pte"},
    {15, 13, "reserved4"}, {12, 12, "dispc_invalid_gtt_pte"}, {11, 9, "reserved3"},
    {8, 8, "dispb_invalid_gtt_pte"}, {7, 5, "reserved2"}, {4, 4, "dispa_invalid_gtt_pte"},
    {3, 2, "reserved1"}, {1, 1, "host_invalid_pte_data"}, {0, 0, "host_invalid_gtt_pte"},
};

const bit_field_t kPgtblErEft[] = {
    {31, 19, "reserved5"}, {18, 18, "ovl_invalid_tiling"}, {17, 17, "ovl_invalid_tlb_miss"},
    {16, 16, "ovl_invalid_gtt_pte"}, {15, 15, "reserved4"}, {14, 14, "dispc_invalid_tiling"},
    {13, 13, "dispc_invalid_tlb_miss"}, {12, 12, "dispc_invalid_gtt_pte"}, {11, 11, "reserved3"},
    {10, 10, "dispb_invalid_tiling"}, {9, 9, "dispb_invalid_tlb_miss"}, {8, 8, "dispb_invalid_gtt_pte"},
    {7, 7, "reserved2"}, {6, 6, "dispa_invalid_tiling"}, {5, 5, "dispa_invalid_tlb_miss"},
    {4, 4, "dispa_invalid_gtt_pte"}, {3, 0, "reserved1"},
};

const bit_field_t kIpeirAva[] = {
    {31, 4, "reserved1"}, {3, 3, "secondary_ring"}, {2, 2, "batch_buffer_error"}, {1, 0, "ring_id"},
};

const bit_field_t kIpeirCyr[] = {
    {31, 4, "reserved1"}, {3, 3, "batch_buffer_error"}, {2, 0, "ring_id"},
};

const bit_field_t kIpehrAva[] = {
    {31, 0, "header"},
};

const bit_field_t kActhdAva[] = {
    {31, 0, "head_pointer"},
};

const bit_field_t kIntStatusAva[] = {
    {15, 0, "int_status_bits"},
};

const bit_field_t kErrorStatusAva[] = {
    {15, 0, "error_status_bits"},
};

const bit_field_t kDmaFaddAva[] = {
    {31, 0, "cur_dma_qword_off"},
};

const bit_field_t kTvCtrlDov[] = {
    {31, 31, "enc_enable"}, {30, 30, "enc_pipesel"}, {29, 28, "enc_output_mode"}, {27, 22, "reserved2"},
    {21, 21, "trilevel_sync"}, {20, 20, "slow_sync"}, {19, 18, "oversample"}, {17, 17, "prog_int"},
    {16, 16, "pal_burst"}, {15, 15, "field_swap"}, {14, 12, "yc_skew"}, {11, 11, "sdp_fix"},
    {10, 10, "c0_fix"}, {9, 8, "reserved1"}, {7, 6, "vga_thrt"}, {5, 4, "fuse_state"},
    {3, 0, "enc_test_mode"},
};

const bit_field_t kTvCtrlCyr[] = {
    {31, 31, "enc_enable"}, {30, 30, "enc_pipesel"}, {29, 28, "enc_output_mode"}, {27, 24, "reserved2"},
    {23, 23, "rgb"}, {22, 22, "three_ch_sync"}, {21, 21, "trilevel_sync"}, {20, 20, "slow_sync"},
    {19, 18, "oversample"}, {17, 17, "prog_int"}, {16, 16, "pal_burst"}, {15, 15, "field_swap"},
    {14, 12, "yc_skew"}, {11, 11, "reserved"}, {10, 9, "tp_size"}, {8, 6, "vga_thrt"}, {5, 4, "fuse_state"},
    {3, 0, "enc_test_mode"},
};

const bit_field_t kTvFilterCtrlDov[] = {
    {31, 31, "auto_scale_mode"}, {30, 30, "auto_scale_calc"}, {29, 29, "v_filter_bypass"},
    {28, 28, "vadapt"}, {27, 26, "vadapt_mode"}, {25, 14, "reserved1"}, {13, 0, "hscale_frac"},
};

const bit_field_t kTvFilterCtrlCyr[] = {
    {31, 31, "auto_scale_mode"}, {30, 30, "auto_scale_calc"}, {29, 29, "v_filter_bypass"},
    {28, 28, "vadapt"}, {27, 26, "vadapt_mode"}, {25, 24, "reserved2"}, {23, 23, "chr_pref"},
    {22, 22, "chr_postf"}, {21, 21, "vert3tap"}, {20, 14, "reserved1"}, {13, 0, "hscale_frac"},
};

const bit_field_t kTvCosineRomDov[] = {
    {31, 17, "reserved1"}, {16, 0, "cosine"},
};

const bit_field_t kTvCosineRomCyr[] = {
    {31, 18, "reserved1"}, {17, 0, "cosine"},
};

const bit_field_t kTvCcCtrlDov[] = {
    {31, 31, "cc_ena"}, {30, 28, "reserved3"}, {27, 27, "cc_fid"}, {26, 26, "reserved2"},
    {25, 16, "cc_hoff"}, {15, 6, "reserved1"}, {5, 0, "cc_line"},
};

const bit_field_t kTvCcDataCyr[] = {
    {31, 31, "cc_f2_rdy"}, {30, 15, "reserved2"}, {14, 8, "cc_f2_d2"}, {7, 7, "reserved1"},
    {6, 0, "cc_f2_d1"},
};

const bit_field_t kTvWssCtrlCyr[] = {
    {31, 31, "wss_ena"}, {30, 30, "wss_fields"}, {29, 26, "reserved3"}, {25, 16, "wss_hoff"},
    {15, 15, "reserved2"}, {14, 8, "wss_bit"}, {7, 6, "reserved1"}, {5, 0, "wss_line"},
};

const bit_field_t kTvWssDataCyr[] = {
    {31, 14, "reserved1"}, {13, 0, "wss_data"},
};

const decode_row_t kAvaRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlAva)},
    {DECODE_START_ADDR, FIELDS(kStartAddrAva)},
    {DECODE_STRIDE, FIELDS(kStrideAva)},
    {DECODE_SPRITE_SIZE, FIELDS(kSpriteSizeAva)},
    {DECODE_COLOR_KEY, FIELDS(kColorKeyAva)},
    {DECODE_SECOND_EYE_ADDR, FIELDS(kSecondEyeAddrAva)},
    {DECODE_PLANE_B_CTRL, FIELDS(kPlaneBCtrlAva)},
    {DECODE_ANALOG_PORT, FIELDS(kAnalogPortAva)},
    {DECODE_DVO_A_PORT, FIELDS(kDvoAPortAva)},
    {DECODE_DVO_PORT, FIELDS(kDvoPortAva)},
    {DECODE_DP_DFT_PORT, nullptr, 0},
    {DECODE_DP_PORT, nullptr, 0},
    {DECODE_LVDS_PORT, nullptr, 0},
    {DECODE_PORT_7000, nullptr, 0},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlAva)},
    {DECODE_DPLL_DIVISOR, FIELDS(kDpllDivisorAva)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfAva)},
    {DECODE_PIPE_A_HTOTAL, FIELDS(kPipeAHtotalAva)},
    {DECODE_PIPE_A_HBLANK, FIELDS(kPipeAHblankAva)},
    {DECODE_PIPE_A_HSYNC, FIELDS(kPipeAHsyncAva)},
    {DECODE_PIPE_A_VTOTAL, FIELDS(kPipeAVtotalAva)},
    {DECODE_PIPE_A_VBLANK, FIELDS(kPipeAVblankAva)},
    {DECODE_PIPE_A_VSYNC, FIELDS(kPipeAVsyncAva)},
    {DECODE_PIPE_A_SRC_SIZE, FIELDS(kPipeASrcSizeAva)},
    {DECODE_DPLL_B_CTRL, FIELDS(kDpllBCtrlAva)},
    {DECODE_DPLL_B_DIVISOR0, nullptr, 0, DECODE_DPLL_DIVISOR},
    {DECODE_DPLL_B_DIVISOR1, nullptr, 0, DECODE_DPLL_DIVISOR},
    {DECODE_PIPE_B_CONF, nullptr, 0, DECODE_PIPE_A_CONF},
    {DECODE_PIPE_B_HTOTAL, nullptr, 0, DECODE_PIPE_A_HTOTAL},
    {DECODE_PIPE_B_HBLANK, nullptr, 0, DECODE_PIPE_A_HBLANK},
    {DECODE_PIPE_B_HSYNC, nullptr, 0, DECODE_PIPE_A_HSYNC},
    {DECODE_PIPE_B_VTOTAL, nullptr, 0, DECODE_PIPE_A_VTOTAL},
    {DECODE_PIPE_B_VBLANK, nullptr, 0, DECODE_PIPE_A_VBLANK},
    {DECODE_PIPE_B_VSYNC, nullptr, 0, DECODE_PIPE_A_VSYNC},
    {DECODE_PIPE_B_SRC_SIZE, nullptr, 0, DECODE_PIPE_A_SRC_SIZE},
    {DECODE_PGTBL_ER, FIELDS(kPgtblErAva)},
    {DECODE_IPEIR, FIELDS(kIpeirAva)},
    {DECODE_IPEHR, FIELDS(kIpehrAva)},
    {DECODE_ACTHD, FIELDS(kActhdAva)},
    {DECODE_INT_STATUS, FIELDS(kIntStatusAva)},
    {DECODE_ERROR_STATUS, FIELDS(kErrorStatusAva)},
    {DECODE_DMA_FADD, FIELDS(kDmaFaddAva)},
    {DECODE_TV_CTRL, nullptr, 0},
    {DECODE_TV_FILTER_CTRL, nullptr, 0},
    {DECODE_TV_COSINE_ROM, nullptr, 0},
    {DECODE_TV_CC_CTRL, nullptr, 0},
    {DECODE_TV_CC_DATA, nullptr, 0},
    {DECODE_TV_WSS_CTRL, nullptr, 0},
    {DECODE_TV_WSS_DATA, nullptr, 0},
};

const decode_row_t kDovRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlDov)},
    {DECODE_PLANE_B_CTRL, FIELDS(kPlaneBCtrlDov)},
    {DECODE_DVO_PORT, FIELDS(kDvoPortDov)},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlDov)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfDov)},
    {DECODE_PIPE_A_HTOTAL, FIELDS(kPipeAHtotalDov)},
    {DECODE_PIPE_A_HBLANK, FIELDS(kPipeAHblankDov)},
    {DECODE_PIPE_A_HSYNC, FIELDS(kPipeAHsyncDov)},
    {DECODE_PIPE_A_VTOTAL, FIELDS(kPipeAVtotalDov)},
    {DECODE_PIPE_A_VBLANK, FIELDS(kPipeAVblankDov)},
    {DECODE_PIPE_A_VSYNC, FIELDS(kPipeAVsyncDov)},
    {DECODE_PIPE_A_SRC_SIZE, FIELDS(kPipeASrcSizeDov)},
    {DECODE_DPLL_B_CTRL, nullptr, 0, DECODE_DPLL_A_CTRL},
    {DECODE_PGTBL_ER, nullptr, 0},
    {DECODE_TV_CTRL, FIELDS(kTvCtrlDov)},
    {DECODE_TV_FILTER_CTRL, FIELDS(kTvFilterCtrlDov)},
    {DECODE_TV_COSINE_ROM, FIELDS(kTvCosineRomDov)},
    {DECODE_TV_CC_CTRL, FIELDS(kTvCcCtrlDov)},
};

const decode_row_t kCyrRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlCyr)},
    {DECODE_PLANE_B_CTRL, nullptr, 0, DECODE_PLANE_A_CTRL},
    {DECODE_DVO_PORT, FIELDS(kDvoPortCyr)},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlCyr)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfCyr)},
    {DECODE_PGTBL_ER, FIELDS(kPgtblErCyr)},
    {DECODE_IPEIR, FIELDS(kIpeirCyr)},
    {DECODE_TV_CTRL, FIELDS(kTvCtrlCyr)},
    {DECODE_TV_FILTER_CTRL, FIELDS(kTvFilterCtrlCyr)},
    {DECODE_TV_COSINE_ROM, FIELDS(kTvCosineRomCyr)},
    {DECODE_TV_CC_DATA, FIELDS(kTvCcDataCyr)},
    {DECODE_TV_WSS_CTRL, FIELDS(kTvWssCtrlCyr)},
    {DECODE_TV_WSS_DATA, FIELDS(kTvWssDataCyr)},
};

const decode_row_t kEftRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlEft)},
    {DECODE_SPRITE_SIZE, FIELDS(kSpriteSizeEft)},
    {DECODE_PLANE_B_CTRL, FIELDS(kPlaneBCtrlEft)},
    {DECODE_DVO_PORT, FIELDS(kDvoPortEft)},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlEft)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfEft)},
    {DECODE_PGTBL_ER, FIELDS(kPgtblErEft)},
};

const decode_row_t kFynRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlFyn)},
    {DECODE_PLANE_B_CTRL, FIELDS(kPlaneBCtrlFyn)},
    {DECODE_DVO_PORT, FIELDS(kDvoPortFyn), DECODE_NONE, 3, "DVOB Port", false},
    {DECODE_LVDS_PORT, FIELDS(kLvdsPortFyn)},
    {DECODE_PORT_7000, FIELDS(kPort7000Fyn), DECODE_NONE, 3, "CDVO Port", true},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlFyn)},
    {DECODE_DPLL_DIVISOR, FIELDS(kDpllDivisorFyn)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfFyn)},
    {DECODE_DPLL_B_CTRL, FIELDS(kDpllBCtrlFyn), DECODE_NONE, 3, "B Control Register", true},
    {DECODE_DPLL_B_DIVISOR0, nullptr, 0, DECODE_DPLL_DIVISOR, 3, "DPLL B Divisor Register 0", true},
    {DECODE_DPLL_B_DIVISOR1, nullptr, 0, DECODE_DPLL_DIVISOR, 3, "DPLL B Divisor Register 1", true},
    {DECODE_PIPE_B_CONF, FIELDS(kPipeBConfFyn), DECODE_NONE, 3, nullptr, false},
    {DECODE_PIPE_B_HTOTAL, nullptr, 0, DECODE_PIPE_A_HTOTAL, 3, nullptr, false},
    {DECODE_PIPE_B_HBLANK, nullptr, 0, DECODE_PIPE_A_HBLANK, 3, nullptr, false},
    {DECODE_PIPE_B_HSYNC, nullptr, 0, DECODE_PIPE_A_HSYNC, 3, nullptr, false},
    {DECODE_PIPE_B_VTOTAL, nullptr, 0, DECODE_PIPE_A_VTOTAL, 3, nullptr, false},
    {DECODE_PIPE_B_VBLANK, nullptr, 0, DECODE_PIPE_A_VBLANK, 3, nullptr, false},
    {DECODE_PIPE_B_VSYNC, nullptr, 0, DECODE_PIPE_A_VSYNC, 3, nullptr, false},
    {DECODE_PIPE_B_SRC_SIZE, nullptr, 0, DECODE_PIPE_A_SRC_SIZE, 3, nullptr, false},
};

const decode_row_t kBexRows[] = {
    {DECODE_PLANE_A_CTRL, FIELDS(kPlaneACtrlFyn)},
    {DECODE_PLANE_B_CTRL, FIELDS(kPlaneBCtrlFyn)},
    {DECODE_DVO_PORT, FIELDS(kDvoPortBex), DECODE_NONE, 2, "DVO HDMI B/C Port", false},
    {DECODE_DP_DFT_PORT, FIELDS(kDpDftPortBex), DECODE_NONE, 2, "DVO Display Port", false},
    {DECODE_DP_PORT, FIELDS(kDpPortBex), DECODE_NONE, 2, "Display Port B/C", false},
    {DECODE_LVDS_PORT, FIELDS(kLvdsPortFyn)},
    {DECODE_PORT_7000, FIELDS(kPort7000Fyn), DECODE_NONE, 2, "CDVO Port", true},
    {DECODE_DPLL_A_CTRL, FIELDS(kDpllACtrlFyn)},
    {DECODE_DPLL_DIVISOR, FIELDS(kDpllDivisorFyn)},
    {DECODE_PIPE_A_CONF, FIELDS(kPipeAConfFyn)},
    {DECODE_DPLL_B_CTRL, FIELDS(kDpllBCtrlFyn), DECODE_NONE, 2, "B Control Register", true},
    {DECODE_DPLL_B_DIVISOR0, nullptr, 0, DECODE_DPLL_DIVISOR, 2, "DPLL B Divisor Register 0", true},
    {DECODE_DPLL_B_DIVISOR1, nullptr, 0, DECODE_DPLL_DIVISOR, 2, "DPLL B Divisor Register 1", true},
    {DECODE_PIPE_B_CONF, FIELDS(kPipeBConfFyn), DECODE_NONE, 2, nullptr, false},
    {DECODE_PIPE_B_HTOTAL, nullptr, 0, DECODE_PIPE_A_HTOTAL, 2, nullptr, false},
    {DECODE_PIPE_B_HBLANK, nullptr, 0, DECODE_PIPE_A_HBLANK, 2, nullptr, false},
    {DECODE_PIPE_B_HSYNC, nullptr, 0, DECODE_PIPE_A_HSYNC, 2, nullptr, false},
    {DECODE_PIPE_B_VTOTAL, nullptr, 0, DECODE_PIPE_A_VTOTAL, 2, nullptr, false},
    {DECODE_PIPE_B_VBLANK, nullptr, 0, DECODE_PIPE_A_VBLANK, 2, nullptr, false},
    {DECODE_PIPE_B_VSYNC, nullptr, 0, DECODE_PIPE_A_VSYNC, 2, nullptr, false},
    {DECODE_PIPE_B_SRC_SIZE, nullptr, 0, DECODE_PIPE_A_SRC_SIZE, 2, nullptr, false},
};

}  // namespace

decode_rows_t family_decode_rows(family_bit family) {
  switch (family) {
    case FAM_AVA: return {kAvaRows, sizeof kAvaRows / sizeof *kAvaRows};
    case FAM_DOV: return {kDovRows, sizeof kDovRows / sizeof *kDovRows};
    case FAM_CYR: return {kCyrRows, sizeof kCyrRows / sizeof *kCyrRows};
    case FAM_EFT: return {kEftRows, sizeof kEftRows / sizeof *kEftRows};
    case FAM_FYN: return {kFynRows, sizeof kFynRows / sizeof *kFynRows};
    case FAM_BEX: return {kBexRows, sizeof kBexRows / sizeof *kBexRows};
  }
  return {nullptr, 0};
}

const char* decode_op_name(decode_op op) {
  static const char* const kNames[] = {
    "none",
    "decode_plane_a_ctrl",
    "decode_start_addr",
    "decode_stride",
    "decode_sprite_size",
    "decode_color_key",
    "decode_second_eye_addr",
    "decode_plane_b_ctrl",
    "decode_analog_port",
    "decode_dvo_a_port",
    "decode_dvo_port",
    "decode_dp_dft_port",
    "decode_dp_port",
    "decode_lvds_port",
    "decode_port_7000",
    "decode_dpll_a_ctrl",
    "decode_dpll_divisor",
    "decode_pipe_a_conf",
    "decode_pipe_a_htotal",
    "decode_pipe_a_hblank",
    "decode_pipe_a_hsync",
    "decode_pipe_a_vtotal",
    "decode_pipe_a_vblank",
    "decode_pipe_a_vsync",
    "decode_pipe_a_src_size",
    "decode_dpll_b_ctrl",
    "decode_dpll_b_divisor0",
    "decode_dpll_b_divisor1",
    "decode_pipe_b_conf",
    "decode_pipe_b_htotal",
    "decode_pipe_b_hblank",
    "decode_pipe_b_hsync",
    "decode_pipe_b_vtotal",
    "decode_pipe_b_vblank",
    "decode_pipe_b_vsync",
    "decode_pipe_b_src_size",
    "decode_pgtbl_er",
    "decode_ipeir",
    "decode_ipehr",
    "decode_acthd",
    "decode_int_status",
    "decode_error_status",
    "decode_dma_fadd",
    "decode_tv_ctrl",
    "decode_tv_filter_ctrl",
    "decode_tv_cosine_rom",
    "decode_tv_cc_ctrl",
    "decode_tv_cc_data",
    "decode_tv_wss_ctrl",
    "decode_tv_wss_data",
  };
  return op < DECODE_OP_COUNT ? kNames[op] : "unknown";
}

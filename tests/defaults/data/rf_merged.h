/* Old RF defaults */
#define GAIN_MAX 7

/*----------------------------------------------------------------------------
NVM Groups in this file (do not delete):
[GROUP=cal_t8x_lut,ARRAYNAME=rf_t8x_calib_data,VERSION=6]
[GROUP=fix_t8x_lut,ARRAYNAME=rf_t8x_fixed_data,VERSION=8]
[GROUP=fix_t8x_lut_setcal,ARRAYNAME=rf_t8x_setcal_data,VERSION=8]
[CONSTANTS=GAIN_MAX=0x0030]
----------------------------------------------------------------------------*/

U16 rf_t8x_calib_data[] = {
  16, 0x0020, /* gain */ GAIN_MAX, 0x0040
};
u16 rf_t8x_fixed_data[] = { 5, /* five */ 6, // six
  0x0007
};
U16 rf_t8x_setcal_data[] = {1, 2};
vtq_nvm_default_data_binary_type rf_nvm_t8x_calib_binary_data_table_cust_c22_7[] = {
  {(void*)&rf_t8x_calib_data[0], 0, sizeof(rf_t8x_calib_data)}, {NULL, 0, 0}};

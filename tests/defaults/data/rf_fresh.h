#ifndef FRESH_H
#define FRESH_H

/*----------------------------------------------------------------------------
Generated with nvmsim test host 1.0

Connected Target Details:
unknown
unknown
Revision: unknown

NVM Groups in this file (do not delete):
[GROUP=cal_t8x_lut,ARRAYNAME=cal_t8x_lut_default_c22_7,VERSION=6]
[GROUP=fix_t8x_lut,ARRAYNAME=fix_t8x_lut_default_c22_7,VERSION=8]
[GROUP=fix_t8x_lut_setcal,ARRAYNAME=fix_t8x_lut_setcal_default_c22_7,VERSION=8]
----------------------------------------------------------------------------*/

U16 cal_t8x_lut_default_c22_7[] =
{
0x0010, 0x0020, 0x0030, 0x0040
};

U16 fix_t8x_lut_default_c22_7[] =
{
5, 6, 7
};

U16 fix_t8x_lut_setcal_default_c22_7[] =
{
0x0001, 0x0002
};

vtq_nvm_default_data_binary_type rf_nvm_t8x_calib_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&cal_t8x_lut_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(cal_t8x_lut_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

vtq_nvm_default_data_binary_type rf_nvm_t8x_fixed_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&fix_t8x_lut_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_t8x_lut_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

vtq_nvm_default_data_binary_type rf_nvm_t8x_setcal_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&fix_t8x_lut_setcal_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_t8x_lut_setcal_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

#endif

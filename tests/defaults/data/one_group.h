#ifndef ONE_H
#define ONE_H

/*----------------------------------------------------------------------------
Generated with nvmsim test host 1.0

Connected Target Details:
Simulated Modems
NVM-SIM 8x
Revision: 8.4.1-sim

NVM Groups in this file (do not delete):
[GROUP=fix_thermal,ARRAYNAME=fix_thermal_default_9k,VERSION=8]
----------------------------------------------------------------------------*/

U16 fix_thermal_default_9k[] =
{
0x0001, 0x003C, 0x0000, 0xAF00, 0x17A8, 0x5BCB, 0xBB37, 0x00F2,                                                           
    0x3356, 0xA45F, 0x0A10, 0x75C2, 0xB500, 0xD8D5, 0xEE01, 0xEBC4,                                                                   
    0x00FF, 0xDED8, 0xEAE4, 0xF6F0, 0x0013, 0x4100, 0x6C00, 0x6261,                                                   
    0x7320, 0x7465, 0x7075, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,           
    0x0000, 0x0100, 0x0101, 0x0101, 0x0101, 0x4001, 0xFFF5, 0x8B3C,                                             
    0xFF1C, 0x40B9, 0x0473, 0x0000, 0x5400, 0x003D, 0x0035, 0x0000,                                                                                       
    0xD0B6, 0x36DA, 0x0000, 0x5100, 0x0000, 0x0100, 0x25FF, 0xE363
};

vtq_nvm_default_data_binary_type rf_nvm_heat_binary_data_table_cust_9k[] =
{
    {
      (void*)&fix_thermal_default_9k[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_thermal_default_9k) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

#endif

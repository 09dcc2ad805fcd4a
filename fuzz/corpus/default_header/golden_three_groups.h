#ifndef OUT_H
#define OUT_H

/*----------------------------------------------------------------------------
Generated with nvmsim test host 1.0

Connected Target Details:
Simulated Modems
NVM-SIM 8x
Revision: 8.4.1-sim

NVM Groups in this file (do not delete):
[GROUP=fix_ant_tuner,ARRAYNAME=fix_ant_tuner_default_c22_7,VERSION=6]
[GROUP=fix_radio_cfg,ARRAYNAME=fix_radio_cfg_default_c22_7,VERSION=8]
[GROUP=fix_thermal,ARRAYNAME=fix_thermal_default_c22_7,VERSION=8]
----------------------------------------------------------------------------*/

U32 fix_ant_tuner_default_c22_7[] =
{
0xEB6A0039, 0xE6A1780A, 0xE010CB8A, 0xB1697856, 0x05BC6260, 0xB2C7C622, 0x0060004E, 0xD56C0000,                                                                          
    0x00480000, 0x3D950000, 0x00620000, 0xFFEC0000, 0x00040100, 0xB9790000, 0xFB759500, 0x000002FF,                                                                                                                                                         
    0x00000000, 0x00000000
};

U8 fix_radio_cfg_default_c22_7[] =
{
0, 0, 42, 0, 0, 0, 78, 233,                                    
    255, 255, 255, 62, 0, 117, 87, 111,                                               
    209, 96, 72, 168, 164, 102, 216, 161,                                               
    170, 158, 202, 1, 1, 1, 1, 1,                                          
    1, 1, 1, 1, 1, 1, 1, 0,                 
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1,
    1, 70, 0, 176, 255, 253, 188, 117,                           
    173, 171, 147, 155, 2, 5, 0, 13,                  
    0, 52, 244, 95, 0, 17, 200, 193,
    255, 188, 0, 161, 255, 49, 0, 233,                              
    255, 81, 0, 255, 112, 204, 255, 97,               
    0, 17, 0, 17, 0, 17, 0, 18,                  
    0, 18, 0, 18, 0, 81, 0, 211,                              
    255, 211, 255, 211, 255, 212, 255, 212,
    255, 212, 255, 54, 0
};

U16 fix_thermal_default_c22_7[] =
{
0x0001, 0x003C, 0x0000, 0xAF00, 0x17A8, 0x5BCB, 0xBB37, 0x00F2,                                                           
    0x3356, 0xA45F, 0x0A10, 0x75C2, 0xB500, 0xD8D5, 0xEE01, 0xEBC4,                                                                   
    0x00FF, 0xDED8, 0xEAE4, 0xF6F0, 0x0013, 0x4100, 0x6C00, 0x6261,                                                   
    0x7320, 0x7465, 0x7075, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,           
    0x0000, 0x0100, 0x0101, 0x0101, 0x0101, 0x4001, 0xFFF5, 0x8B3C,                                             
    0xFF1C, 0x40B9, 0x0473, 0x0000, 0x5400, 0x003D, 0x0035, 0x0000,                                                                                       
    0xD0B6, 0x36DA, 0x0000, 0x5100, 0x0000, 0x0100, 0x25FF, 0xE363
};

vtq_nvm_default_data_binary_type rf_nvm_fix_ant_tuner_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&fix_ant_tuner_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_ant_tuner_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

vtq_nvm_default_data_binary_type rf_nvm_fix_radio_cfg_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&fix_radio_cfg_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_radio_cfg_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

vtq_nvm_default_data_binary_type rf_nvm_fix_thermal_binary_data_table_cust_c22_7[] =
{
    {
      (void*)&fix_thermal_default_c22_7[0],
      0, // Should always be zero as this starts from the start address of mirror
      sizeof(fix_thermal_default_c22_7) // Same as mirror size
    },
    { NULL, 0, 0 }     //End mark
};

#endif

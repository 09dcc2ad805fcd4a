/* What a firmware build provides before it includes a default-values header. */
#define NULL ((void*)0)
typedef unsigned char U8;
typedef unsigned short U16;
typedef unsigned int U32;
typedef signed char S8;
typedef signed short S16;
typedef signed int S32;
typedef struct {
    void* data;
    unsigned long offset;
    unsigned long size;
} vtq_nvm_default_data_binary_type;

#define more_init
show_debug_message("init More");
#define more_final
show_debug_message("final More");
#define ext_add
return "second package";

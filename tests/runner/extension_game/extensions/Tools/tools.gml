#define tools_init
show_debug_message("init Tools " + string(TOOLS_VERSION));
#define tools_final
show_debug_message("final Tools");
#define ext_add
return argument0 + argument1;
#define shout
return "shout " + argument0;
#define ext_shadowed
return "package";
#define ext_arguments
return string(argument0) + "," + string(argument1) + "," + string(argument2);

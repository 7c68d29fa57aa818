Profile: 1
 	5  	,	8;  	\\comment ,long  	;	str   0xffff,545;			
		0x6Fa5 	 	,0x66C8  	;\\x

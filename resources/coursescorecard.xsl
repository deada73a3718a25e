<?xml version="1.0" encoding="UTF-8"?>
<!-- Course card: one table per nine holes, a row per tee, par and stroke index. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>

<xsl:template match="/course">
<html>
<head><title><xsl:value-of select="title"/></title></head>
<body bgcolor="#FFFFFF">
<h2><xsl:value-of select="name"/></h2>
<xsl:apply-templates select="holes-a"/>
<xsl:apply-templates select="holes-b"/>
<xsl:apply-templates select="totals"/>
</body>
</html>
</xsl:template>

<xsl:template match="holes-a|holes-b">
<xsl:variable name="last" select="self::holes-b"/>
<table border="1" cellspacing="0" cellpadding="3" width="100%">
<tr bgcolor="#2E7D32">
<th><font color="#FFFFFF">Hole</font></th>
<xsl:for-each select="hole"><th><font color="#FFFFFF"><xsl:value-of select="@number"/></font></th></xsl:for-each>
<th><font color="#FFFFFF"><xsl:choose><xsl:when test="$last">In</xsl:when><xsl:when test="/course/holecount = 9">Tot</xsl:when><xsl:otherwise>Out</xsl:otherwise></xsl:choose></font></th>
<xsl:if test="$last"><th><font color="#FFFFFF">Total</font></th></xsl:if>
</tr>
<xsl:for-each select="tees/tee">
<tr>
<xsl:variable name="ink"><xsl:call-template name="ink"><xsl:with-param name="rgb" select="color"/></xsl:call-template></xsl:variable>
<td bgcolor="#{color}"><font color="{$ink}"><b><xsl:value-of select="name"/></b></font></td>
<xsl:for-each select="len"><td align="right"><xsl:value-of select="."/></td></xsl:for-each>
<td align="right"><b><xsl:value-of select="totlen"/></b></td>
<xsl:if test="$last"><td align="right"><b><xsl:value-of select="totlenboth"/></b></td></xsl:if>
</tr>
</xsl:for-each>
<tr bgcolor="#E8F5E9">
<td><b>Par</b></td>
<xsl:for-each select="hole"><td align="center"><xsl:value-of select="par"/></td></xsl:for-each>
<td align="center"><b><xsl:value-of select="details/par"/></b></td>
<xsl:if test="$last"><td align="center"><b><xsl:value-of select="/course/totals/par"/></b></td></xsl:if>
</tr>
<tr>
<td><b>Handicap</b></td>
<xsl:for-each select="hole"><td align="center"><xsl:value-of select="handicap"/></td></xsl:for-each>
<td></td>
<xsl:if test="$last"><td></td></xsl:if>
</tr>
<tr>
<td><b>Score</b></td>
<xsl:for-each select="hole"><td>&#160;</td></xsl:for-each>
<td>&#160;</td>
<xsl:if test="$last"><td>&#160;</td></xsl:if>
</tr>
</table>
<br/>
</xsl:template>

<!-- A course card belongs to no round: the file's hcp and net (figures of
     whatever round was shown last) are not printed. -->
<xsl:template match="totals">
<table border="1" cellspacing="0" cellpadding="3">
<tr bgcolor="#E8F5E9"><th>Par</th><th>Length</th></tr>
<tr>
<td align="center"><xsl:value-of select="par"/></td>
<td align="center"><xsl:value-of select="totlen"/></td>
</tr>
</table>
</xsl:template>
<!-- Text colour on a tee colour ("RRGGBB"): white when the luminance
     0.299 R + 0.587 G + 0.114 B is below 128, else black. -->
<xsl:template name="ink">
<xsl:param name="rgb"/>
<xsl:variable name="hex" select="'0123456789ABCDEF'"/>
<xsl:variable name="c" select="translate($rgb, 'abcdef', 'ABCDEF')"/>
<xsl:variable name="r" select="16 * string-length(substring-before($hex, substring($c, 1, 1))) + string-length(substring-before($hex, substring($c, 2, 1)))"/>
<xsl:variable name="g" select="16 * string-length(substring-before($hex, substring($c, 3, 1))) + string-length(substring-before($hex, substring($c, 4, 1)))"/>
<xsl:variable name="b" select="16 * string-length(substring-before($hex, substring($c, 5, 1))) + string-length(substring-before($hex, substring($c, 6, 1)))"/>
<xsl:choose>
<xsl:when test="299 * $r + 587 * $g + 114 * $b &lt; 128000">#FFFFFF</xsl:when>
<xsl:otherwise>#000000</xsl:otherwise>
</xsl:choose>
</xsl:template>
</xsl:stylesheet>

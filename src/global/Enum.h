#pragma once

#include <QDebug>
#include <QLatin1String>
#include <QList>
#include <QMetaEnum>
#include <QString>

#include <type_traits>

namespace tessarovin
{

// Declares an enumeration in a namespace of its own (EnumName::Name) that carries the meta-object,
// plus the debug-stream operator that prints the bare key.
#define defineEnumType(enumName, ...) \
	namespace Enum##enumName \
	{ \
		Q_NAMESPACE \
		enum class enumName { __VA_ARGS__ }; \
		Q_ENUM_NS(enumName) \
		inline QDebug operator<<(QDebug pDbg, enumName pValue) \
		{ \
			return ::tessarovin::writeEnumName(pDbg, pValue); \
		} \
	} \
	using enumName = Enum##enumName::enumName;

// As above, for enumerations with a fixed underlying type.
#define defineTypedEnumType(enumName, enumType, ...) \
	namespace Enum##enumName \
	{ \
		Q_NAMESPACE \
		enum class enumName : enumType { __VA_ARGS__ }; \
		Q_ENUM_NS(enumName) \
		inline QDebug operator<<(QDebug pDbg, enumName pValue) \
		{ \
			return ::tessarovin::writeEnumName(pDbg, pValue); \
		} \
	} \
	using enumName = Enum##enumName::enumName;


// Where the meta-enum of T comes from; specialised for the platform's enumerations that carry none.
template<typename T>
struct EnumMetaObject
{
	static QMetaEnum get()
	{
		return QMetaEnum::fromType<T>();
	}
};


template<typename T>
class Enum
{
	static_assert(std::is_enum_v<T>, "Enum<T> works on enumerations only");

	private:
		Enum() = delete;

		static QMetaEnum getMetaEnum()
		{
			return EnumMetaObject<T>::get();
		}

	public:
		static QLatin1String getName(T pValue)
		{
			const auto value = static_cast<int>(pValue);
			const char* key = getMetaEnum().valueToKey(value);
			if (key == nullptr)
			{
				qCritical().noquote().nospace() << "CRITICAL CONVERSION MISMATCH: UNKNOWN 0x" << QString::number(static_cast<uint>(value), 16);
				return QLatin1String();
			}
			return QLatin1String(key);
		}


		static QList<T> allValues()
		{
			const QMetaEnum metaEnum = getMetaEnum();
			QList<T> list;
			list.reserve(metaEnum.keyCount());
			for (int i = 0; i < metaEnum.keyCount(); ++i)
			{
				list << static_cast<T>(metaEnum.value(i));
			}
			return list;
		}


		static T valueFromName(const QString& pName, T pFallback)
		{
			const QMetaEnum metaEnum = getMetaEnum();
			const QByteArray name = pName.toUtf8();
			for (int i = 0; i < metaEnum.keyCount(); ++i)
			{
				if (name == metaEnum.key(i))
				{
					return static_cast<T>(metaEnum.value(i));
				}
			}
			return pFallback;
		}


		static bool isValue(int pValue)
		{
			return getMetaEnum().valueToKey(pValue) != nullptr;
		}
};


template<typename T>
QDebug writeEnumName(QDebug pDbg, T pValue)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.noquote() << Enum<T>::getName(pValue);
	return pDbg;
}


} // namespace tessarovin
